// Every deletion goes through an open handle whose final path and link count
// were checked first, so nothing can be swapped in between the check and the
// deletion, and a link never leads the uninstaller to a user's file.
#include "safe_removal.h"
#include "../common/product_layout.h"

BOOL ResolvePath(const wchar_t* path, wchar_t* out)
{
    out[0] = 0;
    HANDLE h = CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, 0);
    if (h == INVALID_HANDLE_VALUE) return FALSE;
    DWORD n = GetFinalPathNameByHandleW(h, out, MAX_PATH, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(h);
    if (n == 0 || n >= MAX_PATH) { out[0] = 0; return FALSE; }
    return TRUE;
}

BOOL IsLinkedFolder(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

ItemOutcome RemoveOwnFile(const wchar_t* dir, const wchar_t* resolvedDir, const wchar_t* name)
{
    wchar_t path[MAX_PATH], expected[MAX_PATH], final[MAX_PATH];
    if (!FormatWholePath(path, L"%s\\%s", dir, name)) return ITEM_LEFT;
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ITEM_ABSENT : ITEM_LEFT;
    }
    // The link itself is opened, never what it points at.
    HANDLE h = CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           0, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, 0);
    if (h == INVALID_HANDLE_VALUE) return ITEM_LEFT;
    ItemOutcome outcome = ITEM_LINKED;
    BY_HANDLE_FILE_INFORMATION info;
    BOOL expectedWhole = FormatWholePath(expected, L"%s\\%s", resolvedDir, name);
    DWORD n = GetFinalPathNameByHandleW(h, final, MAX_PATH, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (expectedWhole && GetFileInformationByHandle(h, &info)
        && !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))
        && info.nNumberOfLinks == 1
        && n > 0 && n < MAX_PATH && !lstrcmpiW(final, expected)) {
        FILE_DISPOSITION_INFO disposition = { TRUE };
        outcome = SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition)
                      ? ITEM_REMOVED : ITEM_LEFT;
    }
    CloseHandle(h);
    return outcome;
}

ItemOutcome RemoveEmptyFolder(const wchar_t* path, BOOL* kept)
{
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return ITEM_ABSENT;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ITEM_LINKED;
    if (RemoveDirectoryW(path)) return ITEM_REMOVED;
    if (kept) *kept = TRUE;
    return ITEM_ABSENT;
}
