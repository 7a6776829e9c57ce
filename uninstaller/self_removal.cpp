// The hand-off. The copy is created in the temporary folder and opened with
// FILE_FLAG_DELETE_ON_CLOSE by a handle the copy inherits: when the copy ends,
// the last handle closes and the file is gone. No administrator rights, no
// reboot, nothing left behind.
#include "self_removal.h"
#include "../common/bounded_format.h"

static BOOL CopyOwnImage(const wchar_t* target)
{
    wchar_t own[MAX_PATH];
    DWORD n = GetModuleFileNameW(0, own, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return FALSE;
    return CopyFileW(own, target, FALSE);
}

BOOL HandOffToTemporaryCopy(const wchar_t* installDir)
{
    wchar_t temp[MAX_PATH], copy[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) return FALSE;
    wchar_t name[32];
    wsprintfW(name, L"tallyuninstall-%lu.exe", GetCurrentProcessId());
    FormatCutW(copy, MAX_PATH, L"%s%s", temp, name);
    if (!CopyOwnImage(copy)) return FALSE;

    SECURITY_ATTRIBUTES inherit = { sizeof inherit, 0, TRUE };
    HANDLE deleteOnClose = CreateFileW(copy, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       &inherit, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, 0);
    HANDLE self = 0;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, TRUE, 0);

    wchar_t command[MAX_PATH * 2 + 64], handleText[32];
    wsprintfW(handleText, L"%Iu", (ULONG_PTR)self);
    FormatCutW(command, sizeof command / sizeof command[0], L"\"%s\" --finish %s \"%s\"", copy, handleText, installDir);
    STARTUPINFOW si = { sizeof si };
    PROCESS_INFORMATION pi = {};
    BOOL started = CreateProcessW(copy, command, 0, 0, TRUE, 0, 0, 0, &si, &pi);
    if (started) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (self) CloseHandle(self);
    if (deleteOnClose != INVALID_HANDLE_VALUE) CloseHandle(deleteOnClose);
    else if (!started) DeleteFileW(copy);
    return started;
}

void WaitForHandingProcess(const wchar_t* handleText)
{
    ULONG_PTR value = 0;
    for (const wchar_t* p = handleText; *p >= L'0' && *p <= L'9'; ++p) value = value * 10 + (*p - L'0');
    HANDLE process = (HANDLE)value;
    if (process) {
        WaitForSingleObject(process, 30000);
        CloseHandle(process);
    }
}
