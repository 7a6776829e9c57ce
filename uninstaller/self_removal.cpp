// The hand-off. The copy goes into a folder made fresh under an unpredictable
// name (a name that exists is never reused), and is written with CREATE_NEW, so
// it can never replace or follow a file or link planted there. The copy's file
// and its folder are opened with FILE_FLAG_DELETE_ON_CLOSE by handles the copy
// inherits: when the copy ends, the last handles close and both are gone.
// Where the system still holds the file then (Windows may, while the image is
// mapped), the file or the empty folder stays; the next hand-off or install
// removes such folders of ours.
// The copy checks who started it while its starter still runs: Windows does
// not name the image of a process that has ended. The starter waits, a bounded
// time, for the copy to signal an event it inherited, and only then ends; the
// copy deletes nothing before the starter has ended.
#include "self_removal.h"
#include "safe_removal.h"
#include "../common/bounded_format.h"
#include "../common/private_folders.h"
#include "../common/product_layout.h"
#include "../common/held_wait.h"

// How long the starter waits for the copy's word, and the copy for the starter's end.
static const DWORD COPY_ANSWER_MS = 10000;
static const DWORD STARTER_END_MS = 30000;

// RtlGenRandom, which advapi32 exports under the name SystemFunction036 only.
// Documented (with that caveat) and present since Windows XP; bcrypt's
// BCryptGenRandom would mean loading one more DLL, and rand() is predictable.
typedef BOOLEAN (WINAPI* RtlGenRandomFn)(PVOID buffer, ULONG length);

// 16 hexadecimal digits from the system's random source.
static void RandomName(wchar_t* out /* 17 */)
{
    unsigned char bytes[8] = {};
    RtlGenRandomFn random = (RtlGenRandomFn)(void*)GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "SystemFunction036");
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


// A new folder under the temporary folder; never one that already exists.
static BOOL MakePrivateFolder(wchar_t* folder, wchar_t* temp)
{
    if (!TemporaryFolder(temp)) return FALSE;
    RemoveStalePrivateFolders(temp);
    for (int attempt = 0; attempt < 16; ++attempt) {
        wchar_t name[40], random[17];
        RandomName(random);
        FormatCutW(name, 40, L"%s%s", PRIVATE_FOLDER_PREFIX, random);
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
    if (!whole && to != INVALID_HANDLE_VALUE) DeleteFileOnceFree(target);
    return whole;
}

// A handle's value as decimal text, for the copy's command line.
static void HandleText(HANDLE h, wchar_t* out /* 24 */)
{
    wchar_t reversed[24];
    int digits = 0;
    for (ULONG_PTR value = (ULONG_PTR)h; digits == 0 || value; value /= 10) reversed[digits++] = L'0' + value % 10;
    for (int i = 0; i < digits; ++i) out[i] = reversed[digits - 1 - i];
    out[digits] = 0;
}

// Starts the copy and waits until it has checked this process and said so.
// A copy that ends, or does not answer in time, is stopped: it deletes nothing
// before this process has ended, so stopping it is safe.
static BOOL StartCopy(const wchar_t* copy, const wchar_t* temp)
{
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, 0, TRUE };
    HANDLE answered = CreateEventW(&inherit, TRUE, FALSE, 0);
    // The copy checks this handle: it names this process, and so this image.
    HANDLE self = 0;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                    SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0);
    wchar_t command[MAX_PATH + 80], selfText[24], answeredText[24];
    HandleText(self, selfText);
    HandleText(answered, answeredText);
    FormatCutW(command, MAX_PATH + 80, L"\"%s\" --finish %s %s", copy, selfText, answeredText);
    STARTUPINFOW si = { sizeof si };
    PROCESS_INFORMATION pi = {};
    // Its current folder is the temporary one: it must hold neither the
    // install folder nor its own folder open.
    BOOL accepted = self && answered && CreateProcessW(copy, command, 0, 0, TRUE, 0, 0, temp, &si, &pi);
    if (accepted) {
        HANDLE waits[2] = { answered, pi.hProcess };
        accepted = WaitForMultipleObjects(2, waits, FALSE, COPY_ANSWER_MS) == WAIT_OBJECT_0;
        if (!accepted) {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, COPY_ANSWER_MS);
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (self) CloseHandle(self);
    if (answered) CloseHandle(answered);
    return accepted;
}

// A handle the copy inherits and whose close deletes path.
static HANDLE OpenInheritedDeleteOnClose(const wchar_t* path, DWORD flags)
{
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, 0, TRUE };
    HANDLE h;
    DWORD waited = 0;
    do {
        h = CreateFileW(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                        OPEN_EXISTING, flags | FILE_FLAG_DELETE_ON_CLOSE, 0);
    } while (h == INVALID_HANDLE_VALUE && WaitWhileHeld(GetLastError(), &waited));
    return h;
}

BOOL HandOffToTemporaryCopy()
{
    wchar_t folder[MAX_PATH], copy[MAX_PATH], temp[MAX_PATH];
    if (!MakePrivateFolder(folder, temp)) return FALSE;
    if (!JoinWholePath(copy, folder, UNINSTALLER_FILE_NAME) || !WriteCopyOfSelf(copy)) {
        RemoveFolderOnceFree(folder);
        return FALSE;
    }
    // A scanner reads a new program before it may run: the opens wait for it.
    HANDLE deleteOnClose = OpenInheritedDeleteOnClose(copy, 0);
    // Opened second, so closed after the file's handle when the copy ends.
    HANDLE folderOnClose = OpenInheritedDeleteOnClose(folder, FILE_FLAG_BACKUP_SEMANTICS);
    BOOL accepted = deleteOnClose != INVALID_HANDLE_VALUE && StartCopy(copy, temp);
    if (deleteOnClose != INVALID_HANDLE_VALUE) CloseHandle(deleteOnClose);
    if (folderOnClose != INVALID_HANDLE_VALUE) CloseHandle(folderOnClose);
    if (!accepted) {
        DeleteFileOnceFree(copy);
        RemoveFolderOnceFree(folder);
    }
    return accepted;
}

// PROCESS_BASIC_INFORMATION as ntdll fills it. winternl.h declares it with
// the parent's id hidden in a Reserved field (InheritedFromUniqueProcessId):
// spelled out here so the field has its name. Layout is fixed since NT.
struct ProcessBasics {
    LONG_PTR exitStatus;
    PVOID peb;
    ULONG_PTR affinity;
    LONG_PTR basePriority;
    ULONG_PTR processId;
    ULONG_PTR parentProcessId;
};
// NtQueryInformationProcess, looked up at run time: no import library of
// ntdll comes with the build, and only this one call is needed.
typedef LONG (WINAPI* NtQueryInformationProcessFn)(HANDLE, int, PVOID, ULONG, PULONG);
static const int PROCESS_BASIC_INFORMATION_CLASS = 0;  // ProcessBasicInformation

// The id of the process that started this one. Windows offers no documented
// call for it short of a snapshot of every process (Toolhelp).
static ULONG_PTR ParentProcessId()
{
    NtQueryInformationProcessFn query = (NtQueryInformationProcessFn)(void*)GetProcAddress(
        GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess");
    ProcessBasics basics = {};
    if (!query || query(GetCurrentProcess(), PROCESS_BASIC_INFORMATION_CLASS, &basics, sizeof basics, 0) != 0) return 0;
    return basics.parentProcessId;
}

// A handle value from the command line; 0 when the text is not a number.
static HANDLE ParseHandle(const wchar_t* text)
{
    ULONG_PTR value = 0;
    const wchar_t* p = text;
    for (; *p >= L'0' && *p <= L'9' && value < ((ULONG_PTR)-1) / 16; ++p) value = value * 10 + (*p - L'0');
    return *p ? 0 : (HANDLE)value;
}

BOOL AcceptHandOff(const wchar_t* starterText, const wchar_t* answerText, const wchar_t* resolvedUninstaller)
{
    HANDLE starter = ParseHandle(starterText), answer = ParseHandle(answerText);
    if (!starter || !answer) return FALSE;
    // A number typed by hand names no handle, or one this process does not hold for its parent.
    DWORD pid = GetProcessId(starter);
    if (pid == 0 || pid == GetCurrentProcessId() || pid != ParentProcessId()) return FALSE;
    // Asked while the starter still runs: it waits for the answer below.
    wchar_t image[MAX_PATH], resolvedImage[MAX_PATH];
    DWORD size = MAX_PATH;
    if (WaitForSingleObject(starter, 0) != WAIT_TIMEOUT || !QueryFullProcessImageNameW(starter, 0, image, &size)
        || !ResolvePath(image, resolvedImage) || lstrcmpiW(resolvedImage, resolvedUninstaller)) return FALSE;
    if (!SetEvent(answer)) return FALSE;
    CloseHandle(answer);
    BOOL ended = WaitForSingleObject(starter, STARTER_END_MS) == WAIT_OBJECT_0;
    CloseHandle(starter);
    return ended;
}

void LeaveTemporaryFolder()
{
    // Nothing may hold the private folder open when the process ends.
    wchar_t temp[MAX_PATH];
    if (TemporaryFolder(temp)) SetCurrentDirectoryW(temp);
}
