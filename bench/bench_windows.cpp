// Wall times of the Windows programs under Wine, each as a median of several
// runs and as a ratio against an empty program started the same way in the
// same invocation. Prints one JSON object per figure; never a pass mark.
//   bench_windows <empty.exe> <headless_install.exe> <tallyinstall.exe> <recorder.exe> <launcher_unprotected.exe> [runs]
#include "../tools/driver/process_windows.h"
#include "../setup/install_steps.h"
#include "../setup/wizard_window.h"
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

static int g_runs = 5;

static double Now()
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart * 1000.0 / frequency.QuadPart;
}

static bool Start(const wchar_t* exe, PROCESS_INFORMATION* pi)
{
    wchar_t command[MAX_PATH + 4];
    wsprintfW(command, L"\"%s\"", exe);
    STARTUPINFOW si = { sizeof si };
    return CreateProcessW(0, command, 0, 0, FALSE, 0, 0, 0, &si, pi) != 0;
}

static double RunToExit(const wchar_t* exe)
{
    PROCESS_INFORMATION pi;
    double start = Now();
    if (!Start(exe, &pi)) return -1;
    WaitForSingleObject(pi.hProcess, 60000);
    double elapsed = Now() - start;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return elapsed;
}

// Closes a handle after the milliseconds it carries, from a thread of its own.
struct Hold { HANDLE file; DWORD ms; };
static DWORD WINAPI LetGo(LPVOID parameter)
{
    Hold* hold = (Hold*)parameter;
    Sleep(hold->ms);
    CloseHandle(hold->file);
    return 0;
}

// A reinstall while this process holds path as a scanner does (reading,
// sharing reading only) for ms, or as a running program does (no sharing at
// all) throughout when ms is INFINITE.
static double ReinstallHolding(const wchar_t* headless, const wchar_t* path, DWORD ms)
{
    Hold hold = { CreateFileW(path, GENERIC_READ, ms == INFINITE ? 0 : FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0), ms };
    if (hold.file == INVALID_HANDLE_VALUE) return -1;
    HANDLE letGo = ms == INFINITE ? 0 : CreateThread(0, 0, LetGo, &hold, 0, 0);
    double elapsed = RunToExit(headless);
    if (letGo) { WaitForSingleObject(letGo, INFINITE); CloseHandle(letGo); }
    else CloseHandle(hold.file);
    return elapsed;
}

static int Compare(const void* a, const void* b)
{
    double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

static double Median(double* values, int n)
{
    qsort(values, n, sizeof *values, Compare);
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

static void Figure(const char* name, double value, const char* unit, int runs)
{
    printf("{\"figure\": \"%s\", \"value\": %.3f, \"unit\": \"%s\", \"runs\": %d}\n", name, value, unit, runs);
    fflush(stdout);
}

static HWND FindBox(HWND other)
{
    HWND wnd = 0;
    while ((wnd = FindWindowExW(0, wnd, L"#32770", L"\x9752\x79BE\x4E66\x82D1")) != 0)  // 青禾书苑
        if (wnd != other && IsWindowVisible(wnd)) return wnd;
    return 0;
}

// The installed uninstaller, answered at once: start to its result box, which
// its temporary copy shows once everything is removed.
static double Uninstall(const wchar_t* uninstaller)
{
    PROCESS_INFORMATION pi;
    double start = Now();
    if (!Start(uninstaller, &pi)) return -1;
    HWND question = 0;
    while (!question && Now() - start < 20000) { question = FindBox(0); if (!question) Sleep(1); }
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    HWND result = 0;
    while (!result && Now() - start < 30000) {
        if (!IsWindow(question)) result = FindBox(question);
        if (!result) Sleep(1);
    }
    double elapsed = Now() - start;
    PostMessageW(result, WM_COMMAND, IDOK, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result ? elapsed : -1;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 6) { printf("usage: bench_windows <empty> <headless_install> <tallyinstall> <recorder> <launcher_unprotected> [runs]\n"); return 2; }
    wchar_t empty[MAX_PATH], headless[MAX_PATH], setup[MAX_PATH], recorder[MAX_PATH], unprotectedSource[MAX_PATH];
    if (!WindowsPathFromArg(argv[1], empty) || !WindowsPathFromArg(argv[2], headless) || !WindowsPathFromArg(argv[3], setup)
        || !WindowsPathFromArg(argv[4], recorder) || !WindowsPathFromArg(argv[5], unprotectedSource)) {
        printf("bench_windows: a path argument is longer than %d characters\n", MAX_PATH - 1);
        return 2;
    }
    if (argc > 6) g_runs = _wtoi(argv[6]);
    if (g_runs < 1 || g_runs > 50) g_runs = 5;

    wchar_t temp[MAX_PATH], local[MAX_PATH], edge[MAX_PATH], launcher[MAX_PATH], log[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    wsprintfW(local, L"%stally-bench-%lu", temp, GetCurrentProcessId());
    CreateDirectoryW(local, 0);
    SetEnvironmentVariableW(L"LOCALAPPDATA", local);
    wsprintfW(edge, L"%s\\Microsoft", local);
    CreateDirectoryW(edge, 0);
    lstrcatW(edge, L"\\Edge");
    CreateDirectoryW(edge, 0);
    lstrcatW(edge, L"\\Application");
    CreateDirectoryW(edge, 0);
    lstrcatW(edge, L"\\msedge.exe");
    CopyFileW(recorder, edge, FALSE);
    wsprintfW(log, L"%s\\edge.log", local);
    SetEnvironmentVariableW(L"TALLY_RECORD_FILE", log);
    wsprintfW(launcher, L"%s\\Tallybook\\tallybook.exe", local);
    wchar_t unprotected[MAX_PATH];
    wsprintfW(unprotected, L"%s\\Tallybook\\tallybook-unprotected.exe", local);

    wchar_t uninstaller[MAX_PATH];
    wsprintfW(uninstaller, L"%s\\Tallybook\\tallyuninstall.exe", local);
    double baseline[50], install[50], launch[50], launchUnprotected[50], ready[50], done[50], removal[50];
    int removals = 0;
    RunToExit(empty);  // warm-up: the first start of anything under Wine is slower
    for (int i = 0; i < g_runs; ++i) baseline[i] = RunToExit(empty);
    for (int i = 0; i < g_runs; ++i) install[i] = RunToExit(headless);
    double heldPage[50], running[50];
    wchar_t page[MAX_PATH];
    wsprintfW(page, L"%s\\Tallybook\\index.html", local);
    // The page is written once the process has started and steps 0 and 1 have
    // paused: held from the start until about 1 s past that moment.
    DWORD pageDue = (DWORD)Median(baseline, g_runs) + InstallStepTable[0].pauseMs + InstallStepTable[1].pauseMs;
    for (int i = 0; i < g_runs; ++i) {
        heldPage[i] = ReinstallHolding(headless, page, pageDue + 1000);
        running[i] = ReinstallHolding(headless, launcher, INFINITE);
    }
    // Beside the installed page, so both find it where the shortcut's launcher does.
    CopyFileW(unprotectedSource, unprotected, FALSE);
    RunToExit(launcher);
    RunToExit(unprotected);
    for (int i = 0; i < g_runs; ++i) {
        launch[i] = RunToExit(launcher);
        launchUnprotected[i] = RunToExit(unprotected);
    }
    DeleteFileW(unprotected);
    int wizardRuns = 0;
    for (int i = 0; i < g_runs; ++i) {
        PROCESS_INFORMATION pi;
        double start = Now();
        if (!Start(setup, &pi)) break;
        HWND wnd = 0;
        while (!wnd && Now() - start < 20000) { wnd = FindWindowOf(pi.dwProcessId, WIZARD_CLASS_NAME, 0); if (!wnd) Sleep(1); }
        while (wnd && !GetDlgItem(wnd, IDC_HINT) && Now() - start < 20000) Sleep(1);
        ready[i] = Now() - start;
        double pressed = Now();
        SendMessageW(GetDlgItem(wnd, IDC_ACTION), BM_CLICK, 0, 0);
        wchar_t text[128] = L"";
        while (Now() - pressed < 20000) {
            ControlText(wnd, IDC_STATUS, text, 128);
            if (text[0] == 0x2713 || text[0] == 0x26A0) break;  // the success or failure line
            Sleep(1);
        }
        done[i] = Now() - pressed;
        PostMessageW(wnd, WM_CLOSE, 0, 0);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        ++wizardRuns;
        double removed = Uninstall(uninstaller);
        if (removed > 0) removal[removals++] = removed;
    }

    // The steps' pauses are the least an install takes; the figures below are beyond them.
    double pauses_ms = InstallPausesMs();
    char name[128];
    double empty_ms = Median(baseline, g_runs);
    double install_ms = Median(install, g_runs), launch_ms = Median(launch, g_runs);
    Figure("empty Windows program, start to exit", empty_ms, "ms", g_runs);
    Figure("headless install, start to exit", install_ms, "ms", g_runs);
    wsprintfA(name, "headless install beyond its %lu ms of pauses", InstallPausesMs());
    Figure(name, install_ms - pauses_ms, "ms", g_runs);
    Figure("headless install beyond pauses / empty program", (install_ms - pauses_ms) / empty_ms, "ratio", g_runs);
    Figure("reinstall, index.html held by another program until 1 s past its write: beyond a reinstall", Median(heldPage, g_runs) - install_ms, "ms", g_runs);
    Figure("reinstall while tallybook.exe is in use: beyond a reinstall (the bound)", Median(running, g_runs) - install_ms, "ms", g_runs);
    Figure("reinstall while tallybook.exe is in use / reinstall", Median(running, g_runs) / install_ms, "ratio", g_runs);
    Figure("launcher, start to exit (recorder as Edge)", launch_ms, "ms", g_runs);
    Figure("launcher / empty program", launch_ms / empty_ms, "ratio", g_runs);
    double unprotected_ms = Median(launchUnprotected, g_runs);
    Figure("launcher without the DLL-search restriction, start to exit", unprotected_ms, "ms", g_runs);
    Figure("launcher without the restriction / empty program", unprotected_ms / empty_ms, "ratio", g_runs);
    Figure("launcher with / without the restriction", launch_ms / unprotected_ms, "ratio", g_runs);
    if (wizardRuns) {
        double ready_ms = Median(ready, wizardRuns), done_ms = Median(done, wizardRuns);
        Figure("wizard, process start to window ready", ready_ms, "ms", wizardRuns);
        Figure("wizard window ready / empty program", ready_ms / empty_ms, "ratio", wizardRuns);
        Figure("wizard, first press to result line", done_ms, "ms", wizardRuns);
        Figure("wizard install beyond pauses / empty program", (done_ms - pauses_ms) / empty_ms, "ratio", wizardRuns);
    }
    if (removals) {
        double removal_ms = Median(removal, removals);
        Figure("uninstaller, start to its result (answered at once)", removal_ms, "ms", removals);
        if (wizardRuns)
            Figure("install-then-uninstall cycle (wizard start to uninstall result)",
                   Median(ready, wizardRuns) + Median(done, wizardRuns) + removal_ms, "ms", removals);
    }
    return 0;
}
