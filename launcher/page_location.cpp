// Where the page is: beside the executable, else in the local product folder,
// written there from the carried copy when none is present.
#include "launcher.h"
#include "../common/bounded_format.h"

static const wchar_t PARTIAL_SUFFIX[] = L".part";

bool IsExistingFile(const wchar_t* path)
{
    // A missing path reads as all bits set, so it counts as a directory: absent.
    return (GetFileAttributesW(path) & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The executable's folder with its trailing backslash; false when the path
// could not be read whole, since a cut path names some other folder.
static bool ExecutableDir(wchar_t* dir)
{
    DWORD n = GetModuleFileNameW(GetModuleHandleW(0), dir, LAUNCHER_PATH_CAPACITY);
    if (n == 0 || n >= LAUNCHER_PATH_CAPACITY) { dir[0] = 0; return false; }
    wchar_t* slash = 0;
    for (wchar_t* p = dir; *p; ++p) if (*p == L'\\') slash = p;
    if (slash) slash[1] = 0; else dir[0] = 0;
    return true;
}

// LOCALAPPDATA when set and whole, else the temporary folder; when neither can
// be read, the same fixed drive folder the setup program falls back to.
static void BaseFolder(wchar_t* base)
{
    DWORD n = GetEnvironmentVariableW(BASE_FOLDER_VARIABLE, base, LAUNCHER_PATH_CAPACITY);
    if (n > 0 && n < LAUNCHER_PATH_CAPACITY) return;
    n = GetTempPathW(LAUNCHER_PATH_CAPACITY, base);
    if (n > 0 && n < LAUNCHER_PATH_CAPACITY) return;
    lstrcpynW(base, L"C:", LAUNCHER_PATH_CAPACITY);
}

void ResolvePagePath(wchar_t* pagePath)
{
    wchar_t dir[LAUNCHER_PATH_CAPACITY];
    // A folder too long for the page's name beside it has no page beside it.
    if (ExecutableDir(dir) && lstrlenW(dir) + lstrlenW(PAGE_FILE_NAME) < LAUNCHER_PATH_CAPACITY) {
        lstrcpynW(pagePath, dir, LAUNCHER_PATH_CAPACITY);
        lstrcatW(pagePath, PAGE_FILE_NAME);
        if (IsExistingFile(pagePath)) return;
    }
    wchar_t base[LAUNCHER_PATH_CAPACITY];
    BaseFolder(base);
    wchar_t localProductDir[LAUNCHER_PATH_CAPACITY];
    FormatCutW(localProductDir, LAUNCHER_PATH_CAPACITY, LOCAL_PRODUCT_DIR_FORMAT, base);
    EnsureLocalPage(localProductDir, pagePath);
}

static void CreateFolderChain(const wchar_t* dir)
{
    wchar_t work[LAUNCHER_PATH_CAPACITY];
    lstrcpynW(work, dir, LAUNCHER_PATH_CAPACITY);
    // From index 3 on, past a drive prefix such as C:\; existing folders are the normal case.
    int length = lstrlenW(work);
    for (int i = 3; i < length; ++i) {
        if (work[i] != L'\\') continue;
        work[i] = 0;
        CreateDirectoryW(work, 0);
        work[i] = L'\\';
    }
    CreateDirectoryW(work, 0);
}

// Writes the carried page under a side name and only then gives it the page's
// name, so an interrupted or short write never leaves a cut page that every
// later start would open. The side name is reused, so nothing piles up.
static void WriteLocalPage(const wchar_t* pagePath)
{
    wchar_t partial[LAUNCHER_PATH_CAPACITY];
    if (lstrlenW(pagePath) + lstrlenW(PARTIAL_SUFFIX) >= LAUNCHER_PATH_CAPACITY) return;
    lstrcpynW(partial, pagePath, LAUNCHER_PATH_CAPACITY);
    lstrcatW(partial, PARTIAL_SUFFIX);

    HANDLE file = CreateFileW(partial, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE) return;
    PayloadBlob page = LauncherPagePayload();
    DWORD written = 0;
    BOOL whole = WriteFile(file, page.bytes, page.size, &written, 0) && written == page.size;
    whole = CloseHandle(file) && whole;
    // No replace flag: a page that appeared meanwhile is whole and stays.
    if (!whole || !MoveFileExW(partial, pagePath, 0)) DeleteFileW(partial);
}

void EnsureLocalPage(const wchar_t* dir, wchar_t* pagePath)
{
    CreateFolderChain(dir);
    FormatCutW(pagePath, LAUNCHER_PATH_CAPACITY, LOCAL_PAGE_FORMAT, dir);
    if (IsExistingFile(pagePath)) return;  // an existing page is never replaced
    WriteLocalPage(pagePath);
}
