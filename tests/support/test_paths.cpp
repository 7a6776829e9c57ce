// Checked path joining for the test programs.
#include "test_paths.h"

void JoinPath(wchar_t* out, const wchar_t* dir, const wchar_t* name)
{
    FormatChecked(out, MAX_PATH, L"%s\\%s", dir, name);
}

bool MakeFolderOfLength(const wchar_t* dir, int length, wchar_t* out)
{
    lstrcpynW(out, dir, MAX_PATH + 8);
    CreateDirectoryW(out, 0);
    // Padding folders of at most 60 characters.
    while (lstrlenW(out) < length) {
        int room = length - lstrlenW(out) - 1;
        int segment = room > 60 ? 60 : room;
        if (room - segment == 1) segment -= 2;  // leave room for one more "\x"
        int at = lstrlenW(out);
        out[at] = L'\\';
        for (int i = 1; i <= segment; ++i) out[at + i] = L'a' + (length + i) % 26;
        out[at + segment + 1] = 0;
        CreateDirectoryW(out, 0);
    }
    return lstrlenW(out) == length && DirExists(out);
}

static void DeleteDeep(const wchar_t* path)
{
    wchar_t pattern[1024], child[1024];
    wsprintfW(pattern, L"%s\\*", path);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!lstrcmpW(found.cFileName, L".") || !lstrcmpW(found.cFileName, L"..")) continue;
            wsprintfW(child, L"%s\\%s", path, found.cFileName);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) DeleteDeep(child); else DeleteFileW(child);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path);
}

void DeleteDeepTree(const wchar_t* dir)
{
    wchar_t deep[MAX_PATH + 8];
    if (FormatPath(deep, L"\\\\?\\%s", dir)) DeleteDeep(deep);
}
