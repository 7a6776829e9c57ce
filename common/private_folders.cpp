// Clean-up of earlier hand-off folders. The temporary folder is shared and
// writable, so a folder is emptied only while it is held open (it can't be
// swapped for a link meanwhile), and only of the one file a hand-off puts there.
#include "private_folders.h"
#include "plain_file.h"
#include "product_layout.h"
#include "held_wait.h"

const wchar_t PRIVATE_FOLDER_PREFIX[] = L"tallyuninstall-";

// The prefix followed by 16 lower-case hexadecimal digits.
static BOOL IsPrivateFolderName(const wchar_t* name)
{
    int prefix = lstrlenW(PRIVATE_FOLDER_PREFIX);
    if (lstrlenW(name) != prefix + 16
        || CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, name, prefix, PRIVATE_FOLDER_PREFIX, prefix) != CSTR_EQUAL)
        return FALSE;
    for (int i = prefix; i < prefix + 16; ++i)
        if (!((name[i] >= L'0' && name[i] <= L'9') || (name[i] >= L'a' && name[i] <= L'f'))) return FALSE;
    return TRUE;
}

BOOL TemporaryFolder(wchar_t* temp)
{
    DWORD n = GetTempPathW(MAX_PATH, temp);
    return n > 0 && n < MAX_PATH;
}

// True when folder holds nothing, or held only a copy of the uninstaller and
// that copy could be deleted: a running copy's file can't be opened for writing.
static BOOL EmptyOfIdleCopies(const wchar_t* folder)
{
    wchar_t pattern[MAX_PATH], copy[MAX_PATH] = L"";
    if (!FormatWholePath(pattern, L"%s\\*", folder)) return FALSE;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return FALSE;
    BOOL onlyCopy = TRUE;
    do {
        if (!lstrcmpW(found.cFileName, L".") || !lstrcmpW(found.cFileName, L"..")) continue;
        onlyCopy = !copy[0] && !lstrcmpiW(found.cFileName, UNINSTALLER_FILE_NAME)
                && JoinWholePath(copy, folder, found.cFileName);
    } while (onlyCopy && FindNextFileW(search, &found));
    FindClose(search);
    if (!onlyCopy) return FALSE;
    return !copy[0] || DeletePlainFile(copy, FILE_WRITE_DATA);
}

static void RemoveIfStale(const wchar_t* folder)
{
    // Held without sharing deletion: nobody can rename it or put a link in its place.
    HANDLE held = CreateFileW(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, 0);
    if (held == INVALID_HANDLE_VALUE) return;
    BY_HANDLE_FILE_INFORMATION info;
    BOOL stale = GetFileInformationByHandle(held, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
              && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && EmptyOfIdleCopies(folder);
    CloseHandle(held);
    // Only an empty folder (or, had it been swapped since, the link itself) can go.
    if (stale) RemoveFolderOnceFree(folder);
}

void RemoveStalePrivateFolders(const wchar_t* temp)
{
    wchar_t pattern[MAX_PATH], path[MAX_PATH];
    if (!FormatWholePath(pattern, L"%s%s*", temp, PRIVATE_FOLDER_PREFIX)) return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            && IsPrivateFolderName(found.cFileName) && FormatWholePath(path, L"%s%s", temp, found.cFileName))
            RemoveIfStale(path);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}
