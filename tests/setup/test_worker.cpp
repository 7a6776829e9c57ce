// The installation worker, run against a message-only window that records
// what it is told. Each scenario runs in a copy of this program placed in a
// fresh folder, so "beside the setup program" is a folder of the test's own.
//   test_worker <tallyuninstall.exe>
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

// The product's own uninstaller, as the build made it (passed down by the parent).
static wchar_t g_uninstallerExe[MAX_PATH];

static void CheckOwnUninstaller(const wchar_t* installed)
{
    DWORD got = 0, want = 0;
    unsigned char* bytes = ReadWholeFile(installed, &got);
    unsigned char* built = ReadWholeFile(g_uninstallerExe, &want);
    ok(built && want > 1000, "built uninstaller %s readable: %lu bytes", u8(g_uninstallerExe), want);
    ok(bytes && built && got == want && !memcmp(bytes, built, want),
       "installed uninstaller is the built one byte for byte: %s %lu bytes, expected %lu bytes", u8(installed), got, want);
    if (bytes) HeapFree(GetProcessHeap(), 0, bytes);
    if (built) HeapFree(GetProcessHeap(), 0, built);
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

static void CheckShortcuts(bool desktop, bool startMenu)
{
    wchar_t desktopLink[MAX_PATH], startMenuLink[MAX_PATH];
    ShortcutPaths(desktopLink, startMenuLink);
    ok(FileExists(desktopLink) == desktop, "desktop shortcut %s %s", u8(desktopLink), desktop ? "made" : "not made");
    ok(FileExists(startMenuLink) == startMenu, "start-menu shortcut %s %s", u8(startMenuLink), startMenu ? "made" : "not made");
}

static void CheckRegistry()
{
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

static void CheckShortcutsAndRegistry()
{
    CheckShortcuts(true, true);
    CheckRegistry();
}

static void CheckNoRegistry()
{
    BYTE data[1024];
    DWORD type = 0, size = sizeof data;
    LONG status = ReadRegValue(L"Software\\Tallybook", L"InstallPath", &type, data, &size);
    ok(status == ERROR_FILE_NOT_FOUND, "no product key: status %ld", status);
    size = sizeof data;
    status = ReadRegValue(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tallybook", L"UninstallString", &type, data, &size);
    ok(status == ERROR_FILE_NOT_FOUND, "no uninstall entry: status %ld", status);
}

// The names directly under C:\, sorted as the file system lists them.
static void ListDriveRoot(char* out, int capacity)
{
    out[0] = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"C:\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return;
    int used = 0;
    do {
        const char* name = u8(found.cFileName);
        int n = lstrlenA(name);
        if (used + n + 2 >= capacity) break;
        lstrcpyA(out + used, name);
        used += n;
        out[used++] = '|';
        out[used] = 0;
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// The user's own local application-data folder, as the shell knows it.
static void KnownLocalFolder(wchar_t* out)
{
    wchar_t* folder = 0;
    HRESULT hr = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, 0, &folder);
    ok(SUCCEEDED(hr), "known local folder: 0x%08lx", hr);
    FormatMaxPath(out, L"%s", SUCCEEDED(hr) ? folder : L"");
    CoTaskMemFree(folder);
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
    // u8's buffers rotate: the context keeps a copy of its own.
    static char context[64];
    lstrcpynA(context, u8(scenario), sizeof context);
    g_testContext = context;
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
        CheckOwnUninstaller(uninstaller);
        CheckShortcutsAndRegistry();
    } else if (!lstrcmpW(scenario, L"again")) {
        // A stranger's program named tallyuninstall.exe lies beside the setup, as in Downloads.
        RunWorker();
        CheckNotices(1);
        CheckOwnUninstaller(uninstaller);
        WriteTextFile(page, "stale page");
        WriteTextFile(uninstaller, "stale uninstaller");
        ClearPreviousInstall();
        RunWorker();
        CheckNotices(1);
        ok(SameBytes(page, PagePayload()), "page overwritten");
        CheckOwnUninstaller(uninstaller);
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
    } else if (!lstrcmpW(scenario, L"desktop-blocked") || !lstrcmpW(scenario, L"start-menu-blocked")) {
        // Something that is not ours already holds the shortcut's name.
        bool desktop = !lstrcmpW(scenario, L"desktop-blocked");
        wchar_t desktopLink[MAX_PATH], startMenuLink[MAX_PATH], blocker[MAX_PATH];
        ShortcutPaths(desktopLink, startMenuLink);
        if (desktop) {
            FormatPath(blocker, L"%s", desktopLink);
            ok(CreateDirectoryW(blocker, 0), "folder %s made", u8(blocker));
        } else {
            FormatPath(blocker, L"%s", startMenuLink);
            *wcsrchr(blocker, L'\\') = 0;
            RemoveDirectoryW(blocker);  // an earlier scenario's, now empty
            ok(WriteTextFile(blocker, "a file named like the Start-menu folder"), "file %s made", u8(blocker));
        }
        RunWorker();
        CheckNotices(0);
        ok(SameBytes(exe, LauncherPayload()), "launcher still written");
        ok(SameBytes(page, PagePayload()), "page still written");
        CheckOwnUninstaller(uninstaller);
        CheckRegistry();
        if (desktop) {
            ok(DirExists(blocker), "the folder named like the shortcut stays a folder");
            CheckShortcuts(false, true);
            RemoveDirectoryW(blocker);
        } else {
            ok(FileExists(blocker), "the file named like the Start-menu folder stays a file");
            wchar_t desktopOnly[MAX_PATH];
            FormatPath(desktopOnly, L"%s", desktopLink);
            ok(FileExists(desktopOnly), "desktop shortcut still made");
            DeleteFileW(blocker);
        }
    } else if (!lstrcmpW(scenario, L"no-local")) {
        // Without LOCALAPPDATA the user's own local folder, never one on C:\ that others may change.
        wchar_t known[MAX_PATH], expected[MAX_PATH], path[MAX_PATH];
        KnownLocalFolder(known);
        FormatPath(expected, L"%s\\Tallybook", known);
        bool existed = DirExists(expected);
        ok(!existed, "%s absent before the run", u8(expected));
        char rootBefore[8192], rootAfter[8192];
        ListDriveRoot(rootBefore, sizeof rootBefore);
        RunWorker();
        CheckNotices(1);
        ok(!lstrcmpiW(InstallDir, expected), "install folder\n  got      %s\n  expected %s", u8(InstallDir), u8(expected));
        FormatPath(path, L"%s\\tallybook.exe", expected);
        ok(SameBytes(path, LauncherPayload()), "launcher in %s", u8(path));
        FormatPath(path, L"%s\\index.html", expected);
        ok(SameBytes(path, PagePayload()), "page in %s", u8(path));
        FormatPath(path, L"%s\\tallyuninstall.exe", expected);
        CheckOwnUninstaller(path);
        CheckShortcutsAndRegistry();
        ListDriveRoot(rootAfter, sizeof rootAfter);
        ok(!DirExists(L"C:\\Tallybook") && !FileExists(L"C:\\Tallybook"), "nothing at C:\\Tallybook");
        ok(!lstrcmpA(rootBefore, rootAfter), "C:\\ unchanged\n  before %s\n  after  %s", rootBefore, rootAfter);
        if (!existed) DeleteTree(expected);
    } else if (!lstrcmpW(scenario, L"too-long")) {
        // A LOCALAPPDATA that can't be read whole names no folder: install nothing anywhere.
        wchar_t known[MAX_PATH], other[MAX_PATH];
        KnownLocalFolder(known);
        FormatPath(other, L"%s\\Tallybook", known);
        char rootBefore[8192], rootAfter[8192];
        ListDriveRoot(rootBefore, sizeof rootBefore);
        RunWorker();
        CheckNotices(0);
        ListDriveRoot(rootAfter, sizeof rootAfter);
        ok(!lstrcmpA(rootBefore, rootAfter), "C:\\ unchanged\n  before %s\n  after  %s", rootBefore, rootAfter);
        ok(!DirExists(other), "nothing in the known local folder: %s", u8(other));
        CheckShortcuts(false, false);
        CheckNoRegistry();
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
    static char context[64];
    lstrcpynA(context, u8(scenario), sizeof context);
    g_testContext = context;
    wchar_t dir[MAX_PATH], local[MAX_PATH], args[2 * MAX_PATH];
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
        // A working program, just not ours.
        wchar_t uninstaller[MAX_PATH], self[MAX_PATH];
        FormatPath(uninstaller, L"%s\\tallyuninstall.exe", dir);
        OwnPath(self);
        ok(CopyFileW(self, uninstaller, FALSE), "stranger placed at %s", u8(uninstaller));
    }
    if (!lstrcmpW(scenario, L"no-local")) {
        SetEnvironmentVariableW(L"LOCALAPPDATA", 0);
    } else if (!lstrcmpW(scenario, L"too-long")) {
        // 300 characters: more than a path buffer holds.
        wchar_t longBase[320];
        lstrcpyW(longBase, L"C:\\");
        for (int i = 3; i < 300; ++i) longBase[i] = (i % 50 == 0) ? L'\\' : L'q';
        longBase[300] = 0;
        SetEnvironmentVariableW(L"LOCALAPPDATA", longBase);
    } else {
        SetEnvironmentVariableW(L"LOCALAPPDATA", local);
    }
    FormatPath(args, L"worker %s \"%s\"", scenario, g_uninstallerExe);
    bool driveFolderBefore = DirExists(L"C:\\Tallybook");
    int code = RunCopyOfSelf(dir, args);
    ok(code == 0, "scenario %s: child exit %d", u8(scenario), code);
    // A run that wrongly installed under C:\ must not leave it for the next test.
    if (!driveFolderBefore && DirExists(L"C:\\Tallybook")) DeleteTree(L"C:\\Tallybook");
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
        wchar_t args[2 * MAX_PATH];
        FormatPath(args, L"worker long \"%s\"", g_uninstallerExe);
        int code = RunCopyOfSelf(dir, args);
        ok(code == 0, "base of %d characters: child exit %d", n, code);
        DeleteDeepTree(dir);
    }
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) { printf("usage: test_worker <tallyuninstall.exe>\n"); return 2; }
    if (argc == 4 && !lstrcmpW(argv[1], L"worker")) {
        lstrcpynW(g_uninstallerExe, argv[3], MAX_PATH);
        return worker_child(argv[2]);
    }
    ArgToWindowsPath(argv[1], g_uninstallerExe);
    RunLongBases();
    RunScenario(L"fresh", false, false);
    RunScenario(L"again", true, false);
    RunScenario(L"in-use", false, false);
    RunScenario(L"unwritable", false, true);
    RunScenario(L"desktop-blocked", false, false);
    RunScenario(L"start-menu-blocked", false, false);
    RunScenario(L"no-local", false, false);
    RunScenario(L"too-long", false, false);
    return test_summary("installation worker");
}
