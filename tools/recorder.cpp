// Stands in for a program that others start (a browser, a file handler): it
// appends its whole command line, as UTF-8, to the file named by
// TALLY_RECORD_FILE, or else to "<its own path>.log", and exits.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t logPath[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"TALLY_RECORD_FILE", logPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        DWORD len = GetModuleFileNameW(0, logPath, MAX_PATH - 4);
        lstrcpyW(logPath + len, L".log");
    }
    static char line[16384];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, line, sizeof line - 1, 0, 0);
    if (bytes <= 0) return 1;
    line[bytes - 1] = '\n';
    HANDLE file = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_ALWAYS, 0, 0);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written;
    WriteFile(file, line, bytes, &written, 0);
    CloseHandle(file);
    return 0;
}
