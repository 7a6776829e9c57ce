// Shortcuts and registry keys of an install, written out here rather than
// taken from the product, so that a wrong name in the product fails a test.
#include "install_traces.h"
#include "test_paths.h"
#include <shlobj.h>

void InstalledShortcutPaths(wchar_t* desktopLink, wchar_t* startFolder, wchar_t* startLink)
{
    wchar_t* folder = 0;
    desktopLink[0] = startFolder[0] = startLink[0] = 0;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Desktop, 0, 0, &folder))) {
        JoinPath(desktopLink, folder, L"青禾书苑.lnk");
        CoTaskMemFree(folder);
    }
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Programs, 0, 0, &folder))) {
        JoinPath(startFolder, folder, L"Tallybook");
        JoinPath(startLink, startFolder, L"青禾书苑.lnk");
        CoTaskMemFree(folder);
    }
}

bool RegistryKeyExists(const wchar_t* subKey)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void RemoveInstallTraces()
{
    wchar_t desktop[MAX_PATH], startFolder[MAX_PATH], startLink[MAX_PATH];
    InstalledShortcutPaths(desktop, startFolder, startLink);
    DeleteFileW(desktop);
    DeleteFileW(startLink);
    RemoveDirectoryW(startFolder);
    RegDeleteTreeW(HKEY_CURRENT_USER, TEST_PRODUCT_KEY);
    RegDeleteTreeW(HKEY_CURRENT_USER, TEST_UNINSTALL_KEY);
}
