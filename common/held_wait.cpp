// The bounded wait for a file another program holds for a moment.
#include "held_wait.h"

BOOL IsHeldError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

BOOL WaitWhileHeld(DWORD error, DWORD* waitedMs)
{
    if (!IsHeldError(error) || *waitedMs >= HELD_WAIT_MS) {
        SetLastError(error);
        return FALSE;
    }
    // Each pause as long as all before it and 50 ms more (50, 100, 200 ms),
    // then a quarter of a second: a scan of one file is usually over within
    // the first pauses, and a longer hold costs at most 250 ms beyond itself.
    DWORD pause = *waitedMs + 50;
    if (pause > 250) pause = 250;
    if (pause > HELD_WAIT_MS - *waitedMs) pause = HELD_WAIT_MS - *waitedMs;
    Sleep(pause);
    *waitedMs += pause;
    SetLastError(error);
    return TRUE;
}

BOOL WaitWhileHeldHr(HRESULT hr, DWORD* waitedMs)
{
    // Storage errors (STG_E_SHAREVIOLATION, STG_E_ACCESSDENIED, …) carry the
    // Win32 code in their low word, as FACILITY_WIN32 results do.
    if (HRESULT_FACILITY(hr) != FACILITY_WIN32 && HRESULT_FACILITY(hr) != FACILITY_STORAGE) return FALSE;
    return WaitWhileHeld(HRESULT_CODE(hr), waitedMs);
}

BOOL DeleteFileOnceFree(const wchar_t* path)
{
    DWORD waited = 0;
    while (!DeleteFileW(path))
        if (!WaitWhileHeld(GetLastError(), &waited)) return FALSE;
    return TRUE;
}

BOOL RemoveFolderOnceFree(const wchar_t* path)
{
    DWORD waited = 0;
    while (!RemoveDirectoryW(path))
        if (!WaitWhileHeld(GetLastError(), &waited)) return FALSE;
    return TRUE;
}
