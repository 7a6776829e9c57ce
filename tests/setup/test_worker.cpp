// The installation worker, run against a message-only window that records
// what it is told. Each scenario runs in a copy of this program placed in a
// fresh folder, so "beside the setup program" is a folder of the test's own.
#include "../support/ok.h"
#include "../support/test_paths.h"
#include "../../setup/install_plan.h"
#include "../../setup/install_worker.h"
#include <shlobj.h>

// Each step's pause, as the user must be given time to read its caption.
static const DWORD PAUSES_MS[7] = { 220, 260, 220, 200, 260, 220, 180 };

struct Notice { UINT message; WPARAM wParam; DWORD at; };
static Notice g_notices[64];
static int g_noticeCount = 0;

static LRESULT CALLBACK RecorderWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if ((message == WM_SETUP_STEP || message == WM_SETUP_DONE) && g_noticeCount < 64)
        // When it was posted, not when this busy machine got round to it.
        g_notices[g_noticeCount++] = Notice{ message, wParam, (DWORD)GetMessageTime() };
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
        ok(g_notices[i].at - g_notices[i - 1].at + 20 >= PAUSES_MS[i - 1],
           "gap before notice %d: %lu ms, pause %lu ms", i, g_notices[i].at - g_notices[i - 1].at, PAUSES_MS[i - 1]);
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

    // The eleven values written out here, not taken from the product's table.
    wchar_t command[2 * MAX_PATH];
    FormatPath(command, L"\"%s\\tallyuninstall.exe\"", InstallDir);
    struct Expected { const wchar_t* key; const wchar_t* name; const wchar_t* text; DWORD number; };
    const wchar_t* product = L"Software\\Tallybook";
    const wchar_t* uninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tallybook";
    const DWORD estimated = ((LauncherPayload().size + PagePayload().size) >> 10) + 1;
    const Expected expected[] = {
        { product, L"InstallPath", InstallDir, 0 },
        { product, L"Version", L"2.0", 0 },
        { uninstall, L"DisplayName", L"青禾书苑 (Tallybook)", 0 },
        { uninstall, L"DisplayVersion", L"2.0", 0 },
        { uninstall, L"Publisher", L"Tallybook Studio", 0 },
        { uninstall, L"DisplayIcon", AppExePath, 0 },
        { uninstall, L"UninstallString", command, 0 },
        { uninstall, L"InstallLocation", InstallDir, 0 },
        { uninstall, L"NoModify", 0, 1 },
        { uninstall, L"NoRepair", 0, 1 },
        { uninstall, L"EstimatedSize", 0, estimated },
    };
    for (const Expected& e : expected) {
        BYTE data[1024] = {};
        DWORD type = 0, size = sizeof data;
        LONG status = ReadRegValue(e.key, e.name, &type, data, &size);
        if (e.text) {
            DWORD want = (DWORD)(lstrlenW(e.text) + 1) * 2;
            ok(status == 0 && type == REG_SZ && size == want && !lstrcmpW((wchar_t*)data, e.text),
               "%s: status %ld type %lu size %lu\n  got      %s\n  expected %s (REG_SZ, %lu bytes)",
               u8(e.name), status, type, size, u8((wchar_t*)data), u8(e.text), want);
        } else {
            ok(status == 0 && type == REG_DWORD && size == 4 && *(DWORD*)data == e.number,
               "%s: status %ld type %lu size %lu, got %lu, expected %lu (REG_DWORD)",
               u8(e.name), status, type, size, *(DWORD*)data, e.number);
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

// Only these names may appear under the base folder and in the install folder.
static void CheckOnlyWholeNames(const wchar_t* dir, const wchar_t* const* allowed, int count, int n)
{
    wchar_t pattern[MAX_PATH + 4];
    if (lstrlenW(dir) + 2 >= MAX_PATH) return;
    lstrcpyW(pattern, dir);
    lstrcatW(pattern, L"\\*");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!lstrcmpW(found.cFileName, L".") || !lstrcmpW(found.cFileName, L"..")) continue;
        bool known = false;
        for (int i = 0; i < count; ++i) known = known || !lstrcmpW(found.cFileName, allowed[i]);
        ok(known, "base of %d characters: a cut name was created: %s", n, u8(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// A base folder of n characters: every run either installs exactly as
// planned or ends with the failure line, and nothing is ever created, linked
// or registered under a cut name. The expectations come from the lengths alone.
static void CheckLongBase()
{
    wchar_t base[MAX_PATH + 8];
    int n = (int)GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH + 8);
    const int dir = n + 10, exe = dir + 14, page = dir + 11, uninstaller = dir + 19;
    RunWorker();
    CheckNotices(uninstaller <= 259 ? 1 : 0);
    const wchar_t* topNames[] = { L"Tallybook" };
    // Only a folder where every file fits is made: the uninstaller must find what the setup installs.
    const bool fits = uninstaller <= 259;
    CheckOnlyWholeNames(base, topNames, fits ? 1 : 0, n);
    wchar_t path[MAX_PATH + 40];
    struct { const wchar_t* name; int length; } files[] = {
        { L"tallybook.exe", exe }, { L"index.html", page }, { L"tallyuninstall.exe", uninstaller } };
    const wchar_t* installedNames[] = { L"tallybook.exe", L"index.html", L"tallyuninstall.exe" };
    if (fits) {
        lstrcpyW(path, base);
        lstrcatW(path, L"\\Tallybook");
        CheckOnlyWholeNames(path, installedNames, 3, n);
        for (auto& f : files) {
            lstrcpyW(path, base);
            lstrcatW(path, L"\\Tallybook\\");
            lstrcatW(path, f.name);
            bool expected = f.length <= 259;
            ok(FileExists(path) == expected, "base of %d characters: %s %s", n, u8(f.name), expected ? "written" : "not written");
        }
    }
    wchar_t desktopLink[MAX_PATH], startMenuLink[MAX_PATH];
    ShortcutPaths(desktopLink, startMenuLink);
    bool linked = fits;
    ok(FileExists(desktopLink) == linked && FileExists(startMenuLink) == linked,
       "base of %d characters: shortcuts %s", n, linked ? "made" : "not made");
    BYTE data[1024] = {};
    DWORD type = 0, size = sizeof data;
    LONG status = ReadRegValue(L"Software\\Tallybook", L"InstallPath", &type, data, &size);
    ok((status == ERROR_SUCCESS) == linked, "base of %d characters: registry %s (status %ld)", n,
       linked ? "written" : "not written", status);
    if (status == ERROR_SUCCESS) ok(lstrlenW((wchar_t*)data) == dir, "InstallPath whole: %d characters", lstrlenW((wchar_t*)data));
}

static int worker_child(const wchar_t* scenario)
{
    g_testContext = u8(scenario);
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    ComputeInstallPaths();
    ClearPreviousInstall();
    if (!lstrcmpW(scenario, L"long")) {
        CheckLongBase();
        ClearPreviousInstall();
        CoUninitialize();
        return test_summary("long base");
    }
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

// Base folders across the whole boundary, from all paths fitting to InstallDir cut.
static void RunLongBases()
{
    const int lengths[] = { 230, 231, 235, 236, 239, 245, 248, 249, 250, 255, 257 };
    for (int n : lengths) {
        // Named here rather than by MakeTempDir, whose clean-up can't reach
        // below MAX_PATH: a tree an earlier run left goes through long names.
        wchar_t dir[MAX_PATH], base[MAX_PATH + 8], temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        FormatPath(dir, L"%stally-long-%lu-%d", temp, GetCurrentProcessId(), n);
        DeleteDeepTree(dir);
        MakeFolderOfLength(dir, n, base);
        ok(lstrlenW(base) == n, "base folder of %d characters (got %d)", n, lstrlenW(base));
        wchar_t uninstaller[MAX_PATH];
        FormatPath(uninstaller, L"%s\\tallyuninstall.exe", dir);
        WriteTextFile(uninstaller, "uninstall");
        SetEnvironmentVariableW(L"LOCALAPPDATA", base);
        int code = RunCopyOfSelf(dir, L"worker long");
        ok(code == 0, "base of %d characters: child exit %d", n, code);
        DeleteDeepTree(dir);
    }
}

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && !lstrcmpW(argv[1], L"worker")) return worker_child(argv[2]);
    RunLongBases();
    RunScenario(L"fresh", false, false);
    RunScenario(L"again", true, false);
    RunScenario(L"in-use", false, false);
    RunScenario(L"unwritable", false, true);
    return test_summary("installation worker");
}
