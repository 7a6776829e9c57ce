// Where the product lives, as all three programs know it: the base-folder
// variable, the product folder and its files, the shortcuts, the registry
// keys, and the few path helpers they share. Defined once, here.
#pragma once
#include <windows.h>

extern const wchar_t BASE_FOLDER_VARIABLE[];      // "LOCALAPPDATA"
// The product folder's name, under the base folder and under the Start menu's Programs.
extern const wchar_t PRODUCT_FOLDER_NAME[];
extern const wchar_t LAUNCHER_FILE_NAME[];
extern const wchar_t PAGE_FILE_NAME[];
extern const wchar_t UNINSTALLER_FILE_NAME[];
extern const wchar_t SHORTCUT_FILE_NAME[];
extern const wchar_t PRODUCT_KEY[];               // under HKEY_CURRENT_USER
extern const wchar_t UNINSTALL_KEY[];
// The values that name the install folder, under PRODUCT_KEY and UNINSTALL_KEY:
// the uninstaller removes a key only when its value names the install.
extern const wchar_t INSTALL_PATH_VALUE[];        // "InstallPath"
extern const wchar_t INSTALL_LOCATION_VALUE[];    // "InstallLocation"
extern const GUID DESKTOP_FOLDER_ID;              // FOLDERID_Desktop
extern const GUID PROGRAMS_FOLDER_ID;             // FOLDERID_Programs

// Formats a MAX_PATH path with one or two %s. False when the result would be
// cut: a cut path names some other file, and is never used.
BOOL FormatWholePath(wchar_t* dest, const wchar_t* format, const wchar_t* first, const wchar_t* second = 0);
// dir\name, the one way the programs put a name into a folder; false when cut.
BOOL JoinWholePath(wchar_t* dest, const wchar_t* dir, const wchar_t* name);
// True when path is an existing folder.
BOOL IsFolderPath(const wchar_t* path);
// The base folder from LOCALAPPDATA, when it is set and fits MAX_PATH whole.
BOOL ReadBaseFolder(wchar_t* base);
// The running program's folder (without its trailing backslash); false when
// the program's own path does not fit MAX_PATH whole or has no folder.
BOOL OwnFolder(wchar_t* dir);
// Creates every missing folder of path, from its fourth character on (past a
// drive prefix such as C:\); existing folders are the normal case.
void CreateDirectoryChain(const wchar_t* path);
