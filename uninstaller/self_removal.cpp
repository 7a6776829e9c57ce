// The hand-off. The copy goes into a folder made fresh under an unpredictable
// name (a name that exists is never reused), and is written with CREATE_NEW, so
// it can never replace or follow a file or link planted there. The copy's file
// and its folder are opened with FILE_FLAG_DELETE_ON_CLOSE by handles the copy
// inherits: when the copy ends, the last handles close and both are gone.
// Where the system still holds the file when the folder's handle closes, the
// empty folder stays; the next hand-off removes such empty folders of ours.
#include "self_removal.h"
#include "safe_removal.h"
#include "../common/bounded_format.h"
#include "../common/product_layout.h"

static const wchar_t COPY_PREFIX[] = L"tallyuninstall-";
static const wchar_t COPY_NAME[] = L"tallyuninstall.exe";

typedef BOOLEAN (WINAPI* RandomFn)(PVOID, ULONG);

// 16 hexadecimal digits from the system's random source.
static void RandomName(wchar_t* out /* 17 */)
{
    unsigned char bytes[8] = {};
    RandomFn random = (RandomFn)(void*)GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "SystemFunction036");
    if (!random || !random(bytes, sizeof bytes)) {
        // Never a fixed name: without the random source, the clock and ids.
        LARGE_INTEGER t;
        QueryPerformanceCounter(&t);
        ULONGLONG mix = (ULONGLONG)t.QuadPart ^ ((ULONGLONG)GetCurrentProcessId() << 32) ^ GetTickCount();
        for (int i = 0; i < 8; ++i) bytes[i] ^= (unsigned char)(mix >> (8 * i));
    }
    static const wchar_t HEX[] = L"0123456789abcdef";
    for (int i = 0; i < 8; ++i) {
        out[2 * i] = HEX[bytes[i] >> 4];
        out[2 * i + 1] = HEX[bytes[i] & 15];
    }
    out[16] = 0;
}


// True for tallyuninstall-<16 hexadecimal digits>, the private folders' names.
static BOOL IsPrivateFolderName(const wchar_t* name)
{
    int prefix = lstrlenW(COPY_PREFIX);
    if (lstrlenW(name) != prefix + 16 || CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, name, prefix, COPY_PREFIX, prefix) != CSTR_EQUAL)
        return FALSE;
    for (int i = prefix; i < prefix + 16; ++i)
        if (!((name[i] >= L'0' && name[i] <= L'9') || (name[i] >= L'a' && name[i] <= L'f'))) return FALSE;
    return TRUE;
}

// Earlier private folders left empty; a folder that still holds anything (a
// copy that is running) stays, and so does anything that is a link.
static void RemoveStalePrivateFolders(const wchar_t* temp)
{
    wchar_t pattern[MAX_PATH], path[MAX_PATH];
    if (!FormatWholePath(pattern, L"%s%s*", temp, COPY_PREFIX)) return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            && IsPrivateFolderName(found.cFileName) && FormatWholePath(path, L"%s%s", temp, found.cFileName))
            RemoveDirectoryW(path);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// A new folder under the temporary folder; never one that already exists.
static BOOL MakePrivateFolder(wchar_t* folder, wchar_t* temp)
{
    DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) return FALSE;
    RemoveStalePrivateFolders(temp);
    for (int attempt = 0; attempt < 16; ++attempt) {
        wchar_t name[40], random[17];
        RandomName(random);
        FormatCutW(name, 40, L"%s%s", COPY_PREFIX, random);
        if (!FormatWholePath(folder, L"%s%s", temp, name)) return FALSE;
        if (CreateDirectoryW(folder, 0)) return TRUE;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return FALSE;
    }
    return FALSE;
}

// Our own image into a file that did not exist before.
static BOOL WriteCopyOfSelf(const wchar_t* target)
{
    wchar_t own[MAX_PATH];
    DWORD n = GetModuleFileNameW(0, own, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return FALSE;
    HANDLE from = CreateFileW(own, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, 0, OPEN_EXISTING, 0, 0);
    if (from == INVALID_HANDLE_VALUE) return FALSE;
    HANDLE to = CreateFileW(target, GENERIC_WRITE, 0, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, 0);
    BOOL whole = to != INVALID_HANDLE_VALUE;
    unsigned char chunk[4096];  // on the stack: a static one would sit in every image's data
    DWORD got = 0;
    while (whole && ReadFile(from, chunk, sizeof chunk, &got, 0) && got) {
        DWORD written = 0;
        whole = WriteFile(to, chunk, got, &written, 0) && written == got;
    }
    CloseHandle(from);
    if (to != INVALID_HANDLE_VALUE) whole = CloseHandle(to) && whole;
    if (!whole && to != INVALID_HANDLE_VALUE) DeleteFileW(target);
    return whole;
}

BOOL HandOffToTemporaryCopy()
{
    wchar_t folder[MAX_PATH], copy[MAX_PATH], temp[MAX_PATH];
    if (!MakePrivateFolder(folder, temp)) return FALSE;
    if (!FormatWholePath(copy, L"%s\\%s", folder, COPY_NAME) || !WriteCopyOfSelf(copy)) {
        RemoveDirectoryW(folder);
        return FALSE;
    }
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, 0, TRUE };
    HANDLE deleteOnClose = CreateFileW(copy, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       &inherit, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, 0);
    // Opened second, so closed after the file's handle when the copy ends.
    HANDLE folderOnClose = CreateFileW(folder, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_DELETE_ON_CLOSE, 0);
    // The copy checks this handle: it names this process, and so this image.
    HANDLE self = 0;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                    SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0);

    wchar_t command[MAX_PATH + 64], handleText[24];
    int digits = 0;
    wchar_t reversed[24];
    for (ULONG_PTR value = (ULONG_PTR)self; digits == 0 || value; value /= 10) reversed[digits++] = L'0' + value % 10;
    for (int i = 0; i < digits; ++i) handleText[i] = reversed[digits - 1 - i];
    handleText[digits] = 0;
    FormatCutW(command, MAX_PATH + 64, L"\"%s\" --finish %s", copy, handleText);
    STARTUPINFOW si = { sizeof si };
    PROCESS_INFORMATION pi = {};
    // Its current folder is the temporary one: it must hold neither the
    // install folder nor its own folder open.
    BOOL started = self && deleteOnClose != INVALID_HANDLE_VALUE
                && CreateProcessW(copy, command, 0, 0, TRUE, 0, 0, temp, &si, &pi);
    if (started) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (self) CloseHandle(self);
    if (deleteOnClose != INVALID_HANDLE_VALUE) CloseHandle(deleteOnClose);
    if (folderOnClose != INVALID_HANDLE_VALUE) CloseHandle(folderOnClose);
    if (!started) {
        DeleteFileW(copy);
        RemoveDirectoryW(folder);
    }
    return started;
}

struct ProcessBasics {
    LONG_PTR exitStatus;
    PVOID peb;
    ULONG_PTR affinity;
    LONG_PTR basePriority;
    ULONG_PTR processId;
    ULONG_PTR parentProcessId;
};
typedef LONG (WINAPI* QueryProcessFn)(HANDLE, int, PVOID, ULONG, PULONG);

static ULONG_PTR ParentProcessId()
{
    QueryProcessFn query = (QueryProcessFn)(void*)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess");
    ProcessBasics basics = {};
    if (!query || query(GetCurrentProcess(), 0, &basics, sizeof basics, 0) != 0) return 0;
    return basics.parentProcessId;
}

BOOL AcceptHandOff(const wchar_t* handleText, const wchar_t* resolvedUninstaller)
{
    ULONG_PTR value = 0;
    const wchar_t* p = handleText;
    for (; *p >= L'0' && *p <= L'9' && value < ((ULONG_PTR)-1) / 16; ++p) value = value * 10 + (*p - L'0');
    if (*p || value == 0) return FALSE;
    HANDLE parent = (HANDLE)value;
    // A number typed by hand names no handle, or one this process does not hold for its parent.
    DWORD pid = GetProcessId(parent);
    if (pid == 0 || pid == GetCurrentProcessId() || pid != ParentProcessId()) return FALSE;
    wchar_t image[MAX_PATH], resolvedImage[MAX_PATH];
    DWORD size = MAX_PATH;
    if (!QueryFullProcessImageNameW(parent, 0, image, &size) || !ResolvePath(image, resolvedImage)
        || lstrcmpiW(resolvedImage, resolvedUninstaller)) return FALSE;
    WaitForSingleObject(parent, 30000);
    CloseHandle(parent);
    return TRUE;
}

void LeaveTemporaryFolder()
{
    // Nothing may hold the private folder open when the process ends.
    wchar_t temp[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n > 0 && n < MAX_PATH) SetCurrentDirectoryW(temp);
}
