// Where the setup program installs, and so where the uninstaller looks. Kept
// apart from the rest of the layout so that the launcher, which has its own
// fallback, does not import the shell's known-folder lookup.
#include "install_folder.h"
#include "product_layout.h"
#include <shlobj.h>

// The user's own local application-data folder as the shell knows it, which
// does not depend on the environment. The launcher falls back to the
// temporary folder instead.
static BOOL KnownLocalFolder(wchar_t* base)
{
    wchar_t* known = 0;
    BOOL whole = SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, 0, &known)) && known
              && lstrlenW(known) < MAX_PATH;
    if (whole) lstrcpyW(base, known);
    CoTaskMemFree(known);
    return whole;
}

BOOL PlannedInstallFolder(wchar_t* dir)
{
    wchar_t base[MAX_PATH];
    dir[0] = 0;
    DWORD n = GetEnvironmentVariableW(BASE_FOLDER_VARIABLE, base, MAX_PATH);
    // Set but longer than a path buffer: any shorter name would be another folder.
    if (n >= MAX_PATH) return FALSE;
    // Missing or empty: never a fixed folder on the system drive, which every
    // signed-in user may change.
    if (n == 0 && !KnownLocalFolder(base)) return FALSE;
    // Only a folder where every file of the product fits, the longest name
    // included: the setup program and the uninstaller then accept the same folders.
    wchar_t longest[MAX_PATH];
    return JoinWholePath(dir, base, PRODUCT_FOLDER_NAME) && JoinWholePath(longest, dir, UNINSTALLER_FILE_NAME);
}
