// Plain-file deletion shared by the side files, the hand-off clean-up and the
// uninstaller.
#include "plain_file.h"
#include "held_wait.h"

BOOL IsLinkReparseTag(DWORD tag)
{
    return IsReparseTagNameSurrogate(tag) ? TRUE : FALSE;
}

static BOOL IsLinkAttributes(DWORD attributes, DWORD tag)
{
    // An unknown tag (0) is treated as a link, so left alone.
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (tag == 0 || IsLinkReparseTag(tag));
}

BOOL IsLinkHandle(HANDLE h)
{
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag)) return TRUE;
    return IsLinkAttributes(tag.FileAttributes, tag.ReparseTag);
}

BOOL IsLinkPath(const wchar_t* path)
{
    // The listing gives the tag in dwReserved0 (Wine gives none: then a link).
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE) return FALSE;
    FindClose(search);
    return IsLinkAttributes(found.dwFileAttributes, found.dwReserved0);
}

HANDLE OpenItself(const wchar_t* path, DWORD extraAccess, DWORD shareMode)
{
    HANDLE h;
    DWORD waited = 0;
    do {
        h = CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES | extraAccess, shareMode, 0, OPEN_EXISTING,
                        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, 0);
    } while (h == INVALID_HANDLE_VALUE && WaitWhileHeld(GetLastError(), &waited));
    return h;
}

BOOL IsPlainFile(HANDLE h)
{
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        && info.nNumberOfLinks == 1 && !IsLinkHandle(h);
}

BOOL DeleteThroughHandle(HANDLE h)
{
    FILE_DISPOSITION_INFO disposition = { TRUE };
    BOOL deleted;
    DWORD waited = 0;
    do {
        deleted = SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition);
    } while (!deleted && WaitWhileHeld(GetLastError(), &waited));
    return deleted;
}

BOOL DeletePlainFile(const wchar_t* path, DWORD extraAccess)
{
    HANDLE h = OpenItself(path, extraAccess, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (h == INVALID_HANDLE_VALUE) return FALSE;
    BOOL deleted = IsPlainFile(h) && DeleteThroughHandle(h);
    CloseHandle(h);
    return deleted;
}
