// Where the page is: beside the executable, else in the local product folder,
// written there from the carried copy when none is present.
#include "launcher.h"
#include "../common/bounded_format.h"
#include "../common/whole_file.h"

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

// An empty page, or a cut-off copy of the carried one (a full disk, an
// interrupted write), shows the user nothing: it counts as no page. A page
// with other content (another version, the user's own edit) is left as it is.
static bool IsEmptyOrCutPage(const wchar_t* path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING, 0, 0);
    if (file == INVALID_HANDLE_VALUE) return false;
    PayloadBlob page = LauncherPagePayload();
    LARGE_INTEGER size = {};
    bool cut = GetFileSizeEx(file, &size) && size.QuadPart < page.size;
    unsigned char chunk[4096];
    for (unsigned int at = 0; cut && at < size.QuadPart;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, 0) || got == 0 || at + got > size.QuadPart) { cut = false; break; }
        cut = memcmp(chunk, page.bytes + at, got) == 0;
        at += got;
    }
    CloseHandle(file);
    return cut;
}

static bool IsUsablePage(const wchar_t* path)
{
    return IsExistingFile(path) && !IsEmptyOrCutPage(path);
}

void ResolvePagePath(wchar_t* pagePath)
{
    wchar_t dir[LAUNCHER_PATH_CAPACITY];
    // A folder too long for the page's name beside it has no page beside it.
    if (ExecutableDir(dir) && lstrlenW(dir) + lstrlenW(PAGE_FILE_NAME) < LAUNCHER_PATH_CAPACITY) {
        lstrcpynW(pagePath, dir, LAUNCHER_PATH_CAPACITY);
        lstrcatW(pagePath, PAGE_FILE_NAME);
        if (IsUsablePage(pagePath)) return;
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

void EnsureLocalPage(const wchar_t* dir, wchar_t* pagePath)
{
    CreateFolderChain(dir);
    FormatCutW(pagePath, LAUNCHER_PATH_CAPACITY, LOCAL_PAGE_FORMAT, dir);
    if (IsUsablePage(pagePath)) return;  // a page that shows something is never replaced
    // Whole or not at all; only an empty or cut page is replaced.
    PayloadBlob page = LauncherPagePayload();
    WriteFileWhole(pagePath, page.bytes, page.size, IsExistingFile(pagePath));
}
