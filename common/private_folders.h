// The uninstaller's hand-off folders under the temporary folder:
// %TEMP%\tallyuninstall-<16 hex digits>, each holding one copy of the
// uninstaller while it runs. Where the system keeps a copy's file (or the
// empty folder) when the copy ends, the next hand-off or install removes it.
#pragma once
#include <windows.h>

extern const wchar_t PRIVATE_FOLDER_PREFIX[];  // "tallyuninstall-"

// The temporary folder, with its trailing backslash; false when it can't be
// read whole.
BOOL TemporaryFolder(wchar_t* temp /* MAX_PATH */);
// Removes earlier private folders under temp that hold nothing, or only a copy
// of the uninstaller that is not running. Never a link, never through one,
// never a folder holding anything else.
void RemoveStalePrivateFolders(const wchar_t* temp);
