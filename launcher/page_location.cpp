// Where the page is: beside the executable, else in the local product folder,
// written there from the carried copy when none is present.
#include "launcher.h"
#include "../common/bounded_format.h"
#include "../common/whole_file.h"

BOOL IsExistingFile(const wchar_t* path)
{
    // A missing path reads as all bits set, so it counts as a directory: absent.
    return (GetFileAttributesW(path) & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// LOCALAPPDATA when set and whole, else the temporary folder (the setup
// program falls back to the known local folder instead); when neither can be
// read, the drive root.
static void BaseFolder(wchar_t* base)
{
    if (ReadBaseFolder(base)) return;
    DWORD n = GetTempPathW(LAUNCHER_PATH_CAPACITY, base);
    if (n > 0 && n < LAUNCHER_PATH_CAPACITY) return;
    lstrcpynW(base, L"C:", LAUNCHER_PATH_CAPACITY);
}

// An empty page, or a cut-off copy of the carried one (a full disk, an
// interrupted write), shows the user nothing: it counts as no page. A page
// with other content (another version, the user's own edit) is left as it is.
static BOOL IsEmptyOrCutPage(const wchar_t* path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING, 0, 0);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    PayloadBlob page = LauncherPagePayload();
    LARGE_INTEGER size = {};
    BOOL cut = GetFileSizeEx(file, &size) && size.QuadPart < page.size;
    unsigned char chunk[4096];
    for (unsigned int at = 0; cut && at < size.QuadPart;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, 0) || got == 0 || at + got > size.QuadPart) { cut = FALSE; break; }
        cut = memcmp(chunk, page.bytes + at, got) == 0;
        at += got;
    }
    CloseHandle(file);
    return cut;
}

static BOOL IsUsablePage(const wchar_t* path)
{
    return IsExistingFile(path) && !IsEmptyOrCutPage(path);
}

// Makes the folder chain of dir, writes the carried page there when there is
// none, and puts the local page's path in pagePath (260).
static void EnsureLocalPage(const wchar_t* dir, wchar_t* pagePath)
{
    CreateDirectoryChain(dir);
    if (!JoinWholePath(pagePath, dir, PAGE_FILE_NAME)) { pagePath[0] = 0; return; }
    if (IsUsablePage(pagePath)) return;  // a page that shows something is never replaced
    // Whole or not at all; only an empty or cut page is replaced.
    PayloadBlob page = LauncherPagePayload();
    WriteWholeFile(pagePath, page.bytes, page.size, IsExistingFile(pagePath));
}

void ResolvePagePath(wchar_t* pagePath)
{
    wchar_t dir[LAUNCHER_PATH_CAPACITY];
    // An own path or a folder too long for the page's name beside it has no page beside it.
    if (OwnFolder(dir) && JoinWholePath(pagePath, dir, PAGE_FILE_NAME) && IsUsablePage(pagePath)) return;
    wchar_t base[LAUNCHER_PATH_CAPACITY];
    BaseFolder(base);
    wchar_t localProductDir[LAUNCHER_PATH_CAPACITY];
    pagePath[0] = 0;
    if (JoinWholePath(localProductDir, base, PRODUCT_FOLDER_NAME)) EnsureLocalPage(localProductDir, pagePath);
}
