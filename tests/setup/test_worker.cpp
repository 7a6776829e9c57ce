// The installation worker, run against a message-only window that records
// what it is told. Each scenario runs in a copy of this program placed in a
// fresh folder, so "beside the setup program" is a folder of the test's own.
#include "../support/ok.h"
#include "../../setup/install_plan.h"
#include "../../setup/install_worker.h"
#include <shlobj.h>

struct Notice { UINT message; WPARAM wParam; DWORD at; };
static Notice g_notices[64];
static int g_noticeCount = 0;

static LRESULT CALLBACK RecorderWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if ((message == WM_SETUP_STEP || message == WM_SETUP_DONE) && g_noticeCount < 64)
        g_notices[g_noticeCount++] = Notice{ message, wParam, GetTickCount() };
    return DefWindowProcW(wnd, message, wParam, lParam);
}

// Runs the worker to its end and returns the elapsed milliseconds.
static DWORD RunWorker()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RecorderWndProc;
    wc.lpszClassName = L"TallyRecorder";
    RegisterClassW(&wc);
    HWND recorder = CreateWindowW(L"TallyRecorder", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
    ok(recorder != 0, "recorder window");
    g_noticeCount = 0;
    DWORD start = GetTickCount();
    HANDLE thread = CreateThread(0, 0, InstallThreadProc, recorder, 0, 0);
    DWORD doneAt = 0;
    MSG msg;
    // Pump until the done notice, then a little longer to catch a second one.
    while (GetTickCount() - start < 20000) {
        while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (!doneAt && g_noticeCount && g_notices[g_noticeCount - 1].message == WM_SETUP_DONE) doneAt = GetTickCount();
        if (doneAt && GetTickCount() - doneAt > 300) break;
        MsgWaitForMultipleObjects(0, 0, FALSE, 20, QS_ALLINPUT);
    }
    ok(WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0, "worker thread ended");
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    ok(code == 0, "thread result %lu", code);
    CloseHandle(thread);
    DestroyWindow(recorder);
    return doneAt ? doneAt - start : 0;
}

static void CheckNotices(WPARAM expectedResult)
{
    ok(g_noticeCount == 8, "%d notices, expected 7 steps and one done", g_noticeCount);
    for (int i = 0; i < 7 && i < g_noticeCount; ++i)
        ok(g_notices[i].message == WM_SETUP_STEP && g_notices[i].wParam == (WPARAM)i,
           "notice %d: message 0x%x step %d", i, g_notices[i].message, (int)g_notices[i].wParam);
    if (g_noticeCount >= 8)
        ok(g_notices[7].message == WM_SETUP_DONE && g_notices[7].wParam == expectedResult,
           "done: message 0x%x result %d, expected %d", g_notices[7].message, (int)g_notices[7].wParam, (int)expectedResult);
    // Each pause comes between a step's notice and the next one.
    for (int i = 1; i < 8 && i < g_noticeCount; ++i)
        ok(g_notices[i].at - g_notices[i - 1].at + 20 >= InstallStepPauseMs[i - 1],
           "gap before notice %d: %lu ms, pause %lu ms", i, g_notices[i].at - g_notices[i - 1].at, InstallStepPauseMs[i - 1]);
}

static bool SameBytes(const wchar_t* path, PayloadBlob blob)
{
    DWORD size = 0;
    unsigned char* bytes = ReadWholeFile(path, &size);
    bool same = bytes && size == blob.size && !memcmp(bytes, blob.bytes, size);
    if (bytes) HeapFree(GetProcessHeap(), 0, bytes);
    return same;
}

static void ShortcutPaths(wchar_t* desktopLink, wchar_t* startMenuLink)
{
    wchar_t* folder = 0;
    SHGetKnownFolderPath(FOLDERID_Desktop, 0, 0, &folder);
    FormatMaxPath(desktopLink, L"%s\\青禾书苑.lnk", folder);
    CoTaskMemFree(folder);
    SHGetKnownFolderPath(FOLDERID_Programs, 0, 0, &folder);
    FormatMaxPath(startMenuLink, L"%s\\Tallybook\\青禾书苑.lnk", folder);
    CoTaskMemFree(folder);
}

static void CheckShortcutsAndRegistry()
{
    wchar_t desktopLink[MAX_PATH], startMenuLink[MAX_PATH];
    ShortcutPaths(desktopLink, startMenuLink);
    ok(FileExists(desktopLink), "desktop shortcut %s", u8(desktopLink));
    ok(FileExists(startMenuLink), "start-menu shortcut %s", u8(startMenuLink));

    wchar_t command[UNINSTALL_COMMAND_CAPACITY];
    FormatUninstallCommand(command);
    for (int i = 0; i < REGISTRY_ENTRY_COUNT; ++i) {
        const RegistryEntry& e = RegistryPlan[i];
        BYTE data[1024];
        DWORD type = 0, size = sizeof data;
        LONG status = ReadRegValue(e.subKey, e.valueName, &type, data, &size);
        const wchar_t* text = e.source == REG_FROM_TEXT ? e.text
                            : e.source == REG_FROM_INSTALL_DIR ? InstallDir
                            : e.source == REG_FROM_APP_EXE ? AppExePath
                            : e.source == REG_FROM_UNINSTALL_COMMAND ? command : 0;
        if (text) {
            DWORD want = (DWORD)(lstrlenW(text) + 1) * 2;
            ok(status == 0 && type == REG_SZ && size == want && !lstrcmpW((wchar_t*)data, text),
               "%s: status %ld type %lu size %lu (want %lu) %s", u8(e.valueName), status, type, size, want, u8((wchar_t*)data));
        } else {
            DWORD want = e.source == REG_FROM_NUMBER ? e.number
                       : EstimatedSizeKb(LauncherPayload().size, PagePayload().size);
            ok(status == 0 && type == REG_DWORD && size == 4 && *(DWORD*)data == want,
               "%s: status %ld type %lu value %lu (want %lu)", u8(e.valueName), status, type, *(DWORD*)data, want);
        }
    }
}

static void ClearPreviousInstall()
{
    wchar_t desktopLink[MAX_PATH], startMenuLink[MAX_PATH];
    ShortcutPaths(desktopLink, startMenuLink);
    DeleteFileW(desktopLink);
    DeleteFileW(startMenuLink);
    RegDeleteTreeW(HKEY_CURRENT_USER, PRODUCT_KEY);
    RegDeleteTreeW(HKEY_CURRENT_USER, UNINSTALL_KEY);
}

static void InstalledPath(const wchar_t* name, wchar_t* out)
{
    FormatMaxPath(out, L"%s\\%s", InstallDir, name);
}

static int worker_child(const wchar_t* scenario)
{
    g_testContext = u8(scenario);
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    ComputeInstallPaths();
    ClearPreviousInstall();
    wchar_t exe[MAX_PATH], page[MAX_PATH], uninstaller[MAX_PATH];
    InstalledPath(L"tallybook.exe", exe);
    InstalledPath(L"index.html", page);
    InstalledPath(L"tallyuninstall.exe", uninstaller);

    if (!lstrcmpW(scenario, L"fresh")) {
        ok(!DirExists(InstallDir), "install folder absent before the run");
        DWORD elapsed = RunWorker();
        CheckNotices(1);
        ok(elapsed >= 1560, "run took %lu ms, at least the 1560 ms of pauses", elapsed);
        ok(SameBytes(exe, LauncherPayload()), "launcher written whole");
        ok(SameBytes(page, PagePayload()), "page written whole");
        ok(!FileExists(uninstaller), "no uninstaller without one beside the program");
        CheckShortcutsAndRegistry();
    } else if (!lstrcmpW(scenario, L"again")) {
        RunWorker();
        CheckNotices(1);
        WriteTextFile(page, "stale page");
        WriteTextFile(uninstaller, "stale uninstaller, longer than the new one");
        ClearPreviousInstall();
        RunWorker();
        CheckNotices(1);
        ok(SameBytes(page, PagePayload()), "page overwritten");
        DWORD size = 0;
        unsigned char* copied = ReadWholeFile(uninstaller, &size);
        ok(copied && size == 9 && !memcmp(copied, "uninstall", 9), "uninstaller copied over the old one: %lu bytes", size);
        if (copied) HeapFree(GetProcessHeap(), 0, copied);
        CheckShortcutsAndRegistry();
    } else if (!lstrcmpW(scenario, L"in-use")) {
        RunWorker();
        DeleteFileW(page);
        HANDLE held = CreateFileW(exe, GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0);
        ok(held != INVALID_HANDLE_VALUE, "launcher held open");
        RunWorker();
        CloseHandle(held);
        CheckNotices(0);
        ok(SameBytes(page, PagePayload()), "page still written after the launcher failed");
        CheckShortcutsAndRegistry();
    } else if (!lstrcmpW(scenario, L"unwritable")) {
        // LOCALAPPDATA names a folder below a plain file: nothing can be created there.
        DWORD elapsed = RunWorker();
        CheckNotices(0);
        ok(elapsed >= 1560, "all pauses still taken: %lu ms", elapsed);
        ok(!DirExists(InstallDir), "no install folder");
        CheckShortcutsAndRegistry();
    }
    ClearPreviousInstall();
    CoUninitialize();
    return test_summary(u8(scenario));
}

static void RunScenario(const wchar_t* scenario, bool withUninstaller, bool blockedBase)
{
    wchar_t dir[MAX_PATH], local[MAX_PATH], args[128];
    MakeTempDir(scenario, dir);
    if (blockedBase) {
        wchar_t blocker[MAX_PATH];
        FormatPath(blocker, L"%s\\blocker", dir);
        WriteTextFile(blocker, "a file where a folder should be");
        FormatPath(local, L"%s\\blocker\\Local", dir);
    } else {
        FormatPath(local, L"%s\\Users\\a\\AppData\\Local", dir);
    }
    if (withUninstaller) {
        wchar_t uninstaller[MAX_PATH];
        FormatPath(uninstaller, L"%s\\tallyuninstall.exe", dir);
        WriteTextFile(uninstaller, "uninstall");
    }
    SetEnvironmentVariableW(L"LOCALAPPDATA", local);
    FormatPath(args, L"worker %s", scenario);
    int code = RunCopyOfSelf(dir, args);
    ok(code == 0, "scenario %s: child exit %d", u8(scenario), code);
    DeleteTree(dir);
}

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && !lstrcmpW(argv[1], L"worker")) return worker_child(argv[2]);
    RunScenario(L"fresh", false, false);
    RunScenario(L"again", true, false);
    RunScenario(L"in-use", false, false);
    RunScenario(L"unwritable", false, true);
    return test_summary("installation worker");
}
