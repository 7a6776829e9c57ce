// Stands in for a DLL an attacker leaves in a Downloads folder under a system
// DLL's name. It exports nothing; when mapped it leaves "<its own path>.mapped"
// naming the program that mapped it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t marker[MAX_PATH + 8], host[MAX_PATH];
    DWORD n = GetModuleFileNameW(self, marker, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return TRUE;
    lstrcatW(marker, L".mapped");
    DWORD hostLength = GetModuleFileNameW(0, host, MAX_PATH);
    HANDLE file = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_ALWAYS, 0, 0);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(file, host, hostLength * sizeof(wchar_t), &written, 0);
        CloseHandle(file);
    }
    return TRUE;
}
