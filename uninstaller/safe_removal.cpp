// Every deletion goes through an open handle whose final path and link count
// were checked first, so nothing can be swapped in between the check and the
// deletion, and a link never leads the uninstaller to a user's file.
#include "safe_removal.h"
#include "../common/plain_file.h"
#include "../common/product_layout.h"
#include "../common/held_wait.h"

// The handle's path without "\\?\" ("\\?\UNC\" becomes "\\"): compared with
// paths built from the base folder, which never carry it.
static BOOL FinalPath(HANDLE h, wchar_t* out)
{
    wchar_t full[MAX_PATH + 8];
    DWORD n = GetFinalPathNameByHandleW(h, full, MAX_PATH + 8, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    out[0] = 0;
    if (n == 0 || n >= MAX_PATH + 8) return FALSE;
    const wchar_t* rest = full;
    if (!wcsncmp(full, L"\\\\?\\UNC\\", 8)) { rest = full + 6; full[6] = L'\\'; }
    else if (!wcsncmp(full, L"\\\\?\\", 4)) rest = full + 4;
    if (lstrlenW(rest) >= MAX_PATH) return FALSE;
    lstrcpyW(out, rest);
    return TRUE;
}

BOOL ResolvePath(const wchar_t* path, wchar_t* out)
{
    out[0] = 0;
    HANDLE h = CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, 0);
    if (h == INVALID_HANDLE_VALUE) return FALSE;
    BOOL whole = FinalPath(h, out);
    CloseHandle(h);
    return whole;
}

HANDLE HoldFolder(const wchar_t* path, wchar_t* resolved, BOOL* linked)
{
    *linked = IsLinkPath(path);
    resolved[0] = 0;
    // The folder's place is its parent's resolved path and its own name, never
    // where it leads: a folder swapped for a link later leads elsewhere, and
    // every file's final path is compared with this one.
    wchar_t parent[MAX_PATH], resolvedParent[MAX_PATH], final[MAX_PATH];
    lstrcpynW(parent, path, MAX_PATH);
    wchar_t* name = wcsrchr(parent, L'\\');
    if (*linked || !name) return INVALID_HANDLE_VALUE;
    *name++ = 0;
    if (!ResolvePath(parent, resolvedParent) || !JoinWholePath(resolved, resolvedParent, name))
        return INVALID_HANDLE_VALUE;
    // Held without FILE_SHARE_DELETE: on Windows it can't be renamed or replaced meanwhile.
    HANDLE h = CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, 0);
    if (h == INVALID_HANDLE_VALUE) return h;
    *linked = IsLinkHandle(h) || !FinalPath(h, final) || lstrcmpiW(final, resolved);
    if (*linked) {
        CloseHandle(h);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

ItemOutcome RemoveOwnFile(const wchar_t* dir, const wchar_t* resolvedDir, const wchar_t* name)
{
    wchar_t path[MAX_PATH], expected[MAX_PATH], final[MAX_PATH];
    if (!JoinWholePath(path, dir, name)) return ITEM_LEFT;
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ITEM_ABSENT : ITEM_LEFT;
    }
    // The link itself is opened, never what it points at.
    HANDLE h = OpenItself(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (h == INVALID_HANDLE_VALUE) return ITEM_LEFT;
    ItemOutcome outcome = ITEM_LINKED;
    if (JoinWholePath(expected, resolvedDir, name) && IsPlainFile(h)
        && FinalPath(h, final) && !lstrcmpiW(final, expected))
        outcome = DeleteThroughHandle(h) ? ITEM_REMOVED : ITEM_LEFT;
    CloseHandle(h);
    return outcome;
}

// True when the folder lists anything besides "." and "..".
static BOOL HoldsAnything(const wchar_t* folder)
{
    wchar_t pattern[MAX_PATH];
    if (!JoinWholePath(pattern, folder, L"*")) return TRUE;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return FALSE;
    BOOL any = FALSE;
    do any = lstrcmpW(found.cFileName, L".") && lstrcmpW(found.cFileName, L"..");
    while (!any && FindNextFileW(search, &found));
    FindClose(search);
    return any;
}

ItemOutcome RemoveEmptyFolder(const wchar_t* path, FolderKept* kept)
{
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return ITEM_ABSENT;
    if (IsLinkPath(path)) return ITEM_LINKED;
    if (RemoveFolderOnceFree(path)) return ITEM_REMOVED;
    // Only what is really in it makes it the user's; an empty folder that
    // stays is one another program still holds open.
    if (kept) *kept = HoldsAnything(path) ? FOLDER_HOLDS_OTHERS : FOLDER_HELD;
    return ITEM_ABSENT;
}
