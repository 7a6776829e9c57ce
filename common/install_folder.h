// The setup program's install folder, which the uninstaller looks for too.
// Apart from product_layout.h: it needs the shell's known-folder lookup,
// which the launcher does not import.
#pragma once
#include <windows.h>

// Where the setup program installs (and so where the uninstaller looks):
// the product folder under LOCALAPPDATA, else (missing or empty) under the
// user's known local application-data folder. False when that path, or the
// path of any file in it, would be cut (dir then holds the folder's, possibly
// cut, text), and when there is no base folder at all or LOCALAPPDATA is too
// long to read whole (dir is then empty).
BOOL PlannedInstallFolder(wchar_t* dir);
