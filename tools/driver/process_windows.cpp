#include "process_windows.h"
#include <stdarg.h>

HWND FindWindowOf(DWORD pid, const wchar_t* className, const wchar_t* title)
{
    HWND wnd = 0;
    while ((wnd = FindWindowExW(0, wnd, className, title)) != 0) {
        DWORD owner = 0;
        GetWindowThreadProcessId(wnd, &owner);
        if (owner == pid) return wnd;
    }
    return 0;
}

void ControlText(HWND wnd, int id, wchar_t* out, int capacity)
{
    out[0] = 0;
    SendMessageW(GetDlgItem(wnd, id), WM_GETTEXT, capacity, (LPARAM)out);
}

bool FormatWithin(wchar_t* out, int capacity, const wchar_t* format, ...)
{
    // wvsprintfW stops at 1024 characters; its buffer has room for that and more.
    wchar_t whole[1100];
    va_list args;
    va_start(args, format);
    int length = wvsprintfW(whole, format, args);
    va_end(args);
    if (length < 0 || length >= capacity || length >= 1024) {
        if (capacity > 0) out[0] = 0;
        return false;
    }
    lstrcpyW(out, whole);
    return true;
}

bool WindowsPathFromArg(const wchar_t* arg, wchar_t* out)
{
    if (!FormatWithin(out, MAX_PATH, arg[0] == L'/' ? L"Z:%s" : L"%s", arg)) return false;
    for (wchar_t* p = out; *p; ++p) if (*p == L'/') *p = L'\\';
    return true;
}

unsigned char* ReadWholeFile(const wchar_t* path, DWORD* size)
{
    *size = 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING, 0, 0);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD length = GetFileSize(file, 0);
    unsigned char* bytes = (unsigned char*)HeapAlloc(GetProcessHeap(), 0, length + 1);
    DWORD got = 0;
    if (bytes && !ReadFile(file, bytes, length, &got, 0)) got = 0;
    CloseHandle(file);
    if (bytes) bytes[got] = 0;
    *size = got;
    return bytes;
}
