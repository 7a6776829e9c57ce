// Folder snapshots for the tests that must show nothing outside an install changed.
#include "tree_snapshot.h"
#include "ok.h"
#include "test_paths.h"

static unsigned long long HashFile(const wchar_t* path, DWORD* size)
{
    unsigned long long hash = 1469598103934665603ULL;
    *size = 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0, OPEN_EXISTING, 0, 0);
    if (file == INVALID_HANDLE_VALUE) return 0;
    static unsigned char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, 0) && got) {
        for (DWORD i = 0; i < got; ++i) hash = (hash ^ chunk[i]) * 1099511628211ULL;
        *size += got;
    }
    CloseHandle(file);
    return hash;
}

static void Walk(const wchar_t* root, const wchar_t* relative, char* out)
{
    wchar_t dir[MAX_PATH], pattern[MAX_PATH];
    if (relative[0]) JoinPath(dir, root, relative); else lstrcpynW(dir, root, MAX_PATH);
    JoinPath(pattern, dir, L"*");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!lstrcmpW(found.cFileName, L".") || !lstrcmpW(found.cFileName, L"..")) continue;
        wchar_t childRelative[MAX_PATH], child[MAX_PATH];
        if (relative[0]) JoinPath(childRelative, relative, found.cFileName);
        else lstrcpynW(childRelative, found.cFileName, MAX_PATH);
        JoinPath(child, root, childRelative);
        char line[MAX_PATH * 3 + 64];
        int used = lstrlenA(out);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            wsprintfA(line, "link %s\n", u8(childRelative));
        } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            wsprintfA(line, "dir  %s\n", u8(childRelative));
        } else {
            DWORD size = 0;
            unsigned long long hash = HashFile(child, &size);
            wsprintfA(line, "file %s %lu %08lx%08lx\n", u8(childRelative), size, (DWORD)(hash >> 32), (DWORD)hash);
        }
        if (used + lstrlenA(line) < SNAPSHOT_CAPACITY) lstrcatA(out, line);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            Walk(root, childRelative, out);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

void SnapshotTree(const wchar_t* dir, char* out)
{
    out[0] = 0;
    Walk(dir, L"", out);
}
