// Shared helpers of the Windows test programs.
#include "ok.h"
#include <stdarg.h>

int g_failures = 0;
int g_checks = 0;
const char* g_testContext = "";

bool ok_at(const char* file, int line, bool condition, const char* format, ...)
{
    ++g_checks;
    if (condition) return true;
    ++g_failures;
    const char* base = file;
    for (const char* p = file; *p; ++p) if (*p == '/' || *p == '\\') base = p + 1;
    printf("%s:%d: Test failed%s%s: ", base, line, *g_testContext ? " in " : "", g_testContext);
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    printf("\n");
    fflush(stdout);
    return false;
}

const char* u8(const wchar_t* text)
{
    static char buffers[4][4096];
    static int next = 0;
    char* out = buffers[next++ % 4];
    if (!text) return "(null)";
    if (!WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof buffers[0], 0, 0)) out[0] = 0;
    return out;
}

bool FormatPathAt(const char* file, int line, wchar_t* out, int capacity, const wchar_t* format, ...)
{
    // wvsprintfW stops at 1024 characters; its buffer has room for that and more.
    static wchar_t whole[1100];
    va_list args;
    va_start(args, format);
    int length = wvsprintfW(whole, format, args);
    va_end(args);
    bool fits = length >= 0 && length < capacity && length < 1024;
    if (fits) {
        lstrcpyW(out, whole);
        return true;
    }
    ok_at(file, line, false, "path of %d characters does not fit its buffer of %d: %s%s",
          length, capacity - 1, u8(whole), length >= 1024 ? "..." : "");
    if (capacity > 0) out[0] = 0;
    return false;
}

int test_summary(const char* name)
{
    printf("%s: %d tests executed, %d failures\n", name, g_checks, g_failures);
    fflush(stdout);
    return g_failures ? 1 : 0;
}

void MakeTempDir(const wchar_t* tag, wchar_t* out)
{
    wchar_t temp[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, temp);
    ok(length > 0 && length < MAX_PATH, "temporary folder fits MAX_PATH: %lu characters", length);
    static LONG counter = 0;
    if (length == 0 || length >= MAX_PATH
        || !FormatPathAt(__FILE__, __LINE__, out, MAX_PATH, L"%stally-%s-%lu-%ld", temp, tag, GetCurrentProcessId(),
                         InterlockedIncrement(&counter))) {
        out[0] = 0;
        return;
    }
    DeleteTree(out);
    CreateDirectoryW(out, 0);
}

void DeleteTree(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    // A link is never followed: what it points at is not the test's to delete.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path);
        return;
    }
    wchar_t pattern[MAX_PATH];
    if (!FormatPath(pattern, L"%s\\*", path)) return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!lstrcmpW(found.cFileName, L".") || !lstrcmpW(found.cFileName, L"..")) continue;
            wchar_t child[MAX_PATH];
            if (FormatPath(child, L"%s\\%s", path, found.cFileName)) DeleteTree(child);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path);
}

bool FileExists(const wchar_t* path)
{
    DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const wchar_t* path)
{
    DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteTextFile(const wchar_t* path, const char* text)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL done = WriteFile(file, text, lstrlenA(text), &written, 0);
    CloseHandle(file);
    return done != 0;
}

void OwnPath(wchar_t* out)
{
    DWORD length = GetModuleFileNameW(0, out, MAX_PATH);
    ok(length > 0 && length < MAX_PATH, "own path fits MAX_PATH: %s", u8(out));
}

void ArgToWindowsPath(const wchar_t* arg, wchar_t* out)
{
    ok(WindowsPathFromArg(arg, out), "argument fits MAX_PATH as a Windows path: %s", u8(arg));
}

int RunAndWait(const wchar_t* commandLine, DWORD timeoutMs)
{
    static wchar_t buffer[8192];
    if (!FormatPath(buffer, L"%s", commandLine)) return -1;
    STARTUPINFOW si = { sizeof si };
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    fflush(stdout);
    if (!CreateProcessW(0, buffer, 0, 0, TRUE, 0, 0, 0, &si, &pi)) return -1;
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    else TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}

int RunCopyOfSelf(const wchar_t* dir, const wchar_t* args)
{
    wchar_t self[MAX_PATH], copy[MAX_PATH], command[1024];
    OwnPath(self);
    const wchar_t* name = self;
    for (const wchar_t* p = self; *p; ++p) if (*p == L'\\') name = p + 1;
    if (!FormatPath(copy, L"%s\\%s", dir, name) || !FormatPath(command, L"\"%s\" %s", copy, args)) return -1;
    if (!CopyFileW(self, copy, FALSE)) return -1;
    return RunAndWait(command, 60000);
}

LONG ReadRegValue(const wchar_t* subKey, const wchar_t* name, DWORD* type, void* data, DWORD* size)
{
    HKEY key;
    LONG status = RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS) return status;
    status = RegQueryValueExW(key, name, 0, type, (BYTE*)data, size);
    RegCloseKey(key);
    return status;
}
