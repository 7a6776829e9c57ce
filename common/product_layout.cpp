// The product's layout and the path rules the setup program, the launcher and
// the uninstaller share.
#include "product_layout.h"
#include "bounded_format.h"

const wchar_t BASE_FOLDER_VARIABLE[]     = L"LOCALAPPDATA";
const wchar_t PRODUCT_FOLDER_NAME[]      = L"Tallybook";
const wchar_t LAUNCHER_FILE_NAME[]       = L"tallybook.exe";
const wchar_t PAGE_FILE_NAME[]           = L"index.html";
const wchar_t UNINSTALLER_FILE_NAME[]    = L"tallyuninstall.exe";
const wchar_t SHORTCUT_FILE_NAME[]       = L"青禾书苑.lnk";
const wchar_t PRODUCT_KEY[]              = L"Software\\Tallybook";
const wchar_t UNINSTALL_KEY[]            = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tallybook";
const wchar_t INSTALL_PATH_VALUE[]       = L"InstallPath";
const wchar_t INSTALL_LOCATION_VALUE[]   = L"InstallLocation";

const GUID DESKTOP_FOLDER_ID  = { 0xB4BFCC3A, 0xDB2C, 0x424C, { 0xB0, 0x29, 0x7F, 0xE9, 0x9A, 0x87, 0xC6, 0x41 } };
const GUID PROGRAMS_FOLDER_ID = { 0xA77F5D77, 0x2E2B, 0x44C3, { 0xA6, 0xA2, 0xAB, 0xA6, 0x01, 0x05, 0x4A, 0x51 } };

BOOL FormatWholePath(wchar_t* dest, const wchar_t* format, const wchar_t* first, const wchar_t* second)
{
    // Formatted once into room for more than MAX_PATH: longer than the
    // buffer holds means cut.
    wchar_t whole[MAX_PATH + 2];
    int n = FormatCutW(whole, MAX_PATH + 2, format, first, second);
    lstrcpynW(dest, whole, MAX_PATH);
    return n < MAX_PATH;
}

BOOL JoinWholePath(wchar_t* dest, const wchar_t* dir, const wchar_t* name)
{
    return FormatWholePath(dest, L"%s\\%s", dir, name);
}

BOOL ReadBaseFolder(wchar_t* base)
{
    DWORD n = GetEnvironmentVariableW(BASE_FOLDER_VARIABLE, base, MAX_PATH);
    // A value that does not fit returns the size it needs and leaves the buffer unfilled.
    return n > 0 && n < MAX_PATH;
}

BOOL OwnFolder(wchar_t* dir)
{
    DWORD n = GetModuleFileNameW(0, dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) { dir[0] = 0; return FALSE; }
    wchar_t* slash = 0;
    for (wchar_t* p = dir; *p; ++p) if (*p == L'\\') slash = p;
    if (!slash) { dir[0] = 0; return FALSE; }
    *slash = 0;
    return TRUE;
}

void CreateDirectoryChain(const wchar_t* path)
{
    wchar_t work[MAX_PATH];
    lstrcpynW(work, path, MAX_PATH);
    int length = lstrlenW(work);
    for (int i = 3; i < length; ++i) {
        if (work[i] != L'\\') continue;
        work[i] = 0;
        CreateDirectoryW(work, 0);
        work[i] = L'\\';
    }
    CreateDirectoryW(work, 0);
}

BOOL IsFolderPath(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
