#include "held_files.h"
#include "ok.h"

HANDLE HoldFiles(const wchar_t* const* paths, int count, DWORD ms)
{
    wchar_t name[64], command[4096];
    wsprintfW(name, L"tally-hold-%lu-%lu", GetCurrentProcessId(), GetTickCount());
    HANDLE ready = CreateEventW(0, TRUE, FALSE, name);
    int used = wsprintfW(command, L"\"%s\" %s %lu", TALLY_HOLDER_EXE, name, ms);
    for (int i = 0; i < count && used + lstrlenW(paths[i]) + 4 < 4096; ++i)
        used += wsprintfW(command + used, L" \"%s\"", paths[i]);
    STARTUPINFOW si = { sizeof si };
    PROCESS_INFORMATION pi = {};
    if (!ready || !CreateProcessW(0, command, 0, 0, FALSE, 0, 0, 0, &si, &pi)) {
        ok(false, "holder %s not started: error %lu", u8(TALLY_HOLDER_EXE), GetLastError());
        if (ready) CloseHandle(ready);
        return 0;
    }
    CloseHandle(pi.hThread);
    // Its word, or its end when it could not open a path.
    HANDLE waits[2] = { ready, pi.hProcess };
    DWORD woke = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    CloseHandle(ready);
    if (woke == WAIT_OBJECT_0) return pi.hProcess;
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    ok(false, "holder ended before holding %d paths: exit %lu (its error output above)", count, code);
    CloseHandle(pi.hProcess);
    return 0;
}

void EndHold(HANDLE holder)
{
    if (!holder) return;
    DWORD code = 99;
    WaitForSingleObject(holder, INFINITE);
    GetExitCodeProcess(holder, &code);
    ok(code == 0, "holder exit %lu", code);
    CloseHandle(holder);
}
