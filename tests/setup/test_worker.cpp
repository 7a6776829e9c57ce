// The installation worker, run against a message-only window that records
// what it is told. Each scenario runs in a copy of this program placed in a
// fresh folder, so "beside the setup program" is a folder of the test's own.
//   test_worker <tallyuninstall.exe> <tallybook.exe>
#include "../support/ok.h"
#include "../support/test_paths.h"
#include "../support/install_traces.h"
#include "../support/held_files.h"
#include "../../setup/install_plan.h"
#include "../../setup/install_worker.h"
#include "../../setup/install_steps.h"
#include <shlobj.h>

// Each step's pause, as the user must be given time to read its caption.
static const DWORD PAUSES_MS[7] = { 220, 260, 220, 200, 260, 220, 180 };

struct Notice { UINT message; WPARAM wParam; LPARAM lParam; DWORD at; };
static Notice g_notices[64];
static int g_noticeCount = 0;

static LRESULT CALLBACK RecorderWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if ((message == WM_SETUP_STEP || message == WM_SETUP_DONE) && g_noticeCount < 64)
        // When it was posted, not when this busy machine got round to it.
        g_notices[g_noticeCount++] = Notice{ message, wParam, lParam, (DWORD)GetMessageTime() };
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

// expected: what the result line must name (nothing: the success line).
static void CheckNotices(InstallFailure expected)
{
    WPARAM expectedResult = expected == INSTALL_FAILED_NOTHING ? 1 : 0;
    ok(g_noticeCount == 8, "%d notices, expected 7 steps and one done", g_noticeCount);
    for (int i = 0; i < 7 && i < g_noticeCount; ++i)
        ok(g_notices[i].message == WM_SETUP_STEP && g_notices[i].wParam == (WPARAM)i,
           "notice %d: message 0x%x step %d", i, g_notices[i].message, (int)g_notices[i].wParam);
    if (g_noticeCount >= 8)
        ok(g_notices[7].message == WM_SETUP_DONE && g_notices[7].wParam == expectedResult && g_notices[7].lParam == expected,
           "done: message 0x%x result %d failure %d, expected %d and %d", g_notices[7].message,
           (int)g_notices[7].wParam, (int)g_notices[7].lParam, (int)expectedResult, (int)expected);
    // Each pause comes between a step's notice and the next one.
    for (int i = 1; i < 8 && i < g_noticeCount; ++i)
        ok(g_notices[i].at - g_notices[i - 1].at + 20 >= PAUSES_MS[i - 1],
           "gap before notice %d: %lu ms, pause %lu ms", i, g_notices[i].at - g_notices[i - 1].at, PAUSES_MS[i - 1]);
}

// The built programs, passed down by the parent, and the page's source: what
// the install must write, byte for byte.
static wchar_t g_uninstallerExe[MAX_PATH];
static wchar_t g_launcherExe[MAX_PATH];
static wchar_t g_pageSource[MAX_PATH];

static void CheckSameAsBuilt(const wchar_t* installed, const wchar_t* built, const char* what)
{
    DWORD got = 0, want = 0;
    unsigned char* bytes = ReadWholeFile(installed, &got);
    unsigned char* original = ReadWholeFile(built, &want);
    ok(original && want > 1000, "built %s %s readable: %lu bytes", what, u8(built), want);
    ok(bytes && original && got == want && !memcmp(bytes, original, want),
       "installed %s is the built one byte for byte: %s %lu bytes, expected %lu bytes", what, u8(installed), got, want);
    if (bytes) HeapFree(GetProcessHeap(), 0, bytes);
    if (original) HeapFree(GetProcessHeap(), 0, original);
}

// Where an install from a base folder must put everything, written out here.
struct Layout {
    wchar_t dir[MAX_PATH];
    wchar_t launcher[MAX_PATH];
    wchar_t page[MAX_PATH];
    wchar_t uninstaller[MAX_PATH];
};

static void LayoutUnder(const wchar_t* base, Layout* layout)
{
    FormatPath(layout->dir, L"%s\\Tallybook", base);
    FormatPath(layout->launcher, L"%s\\Tallybook\\tallybook.exe", base);
    FormatPath(layout->page, L"%s\\Tallybook\\index.html", base);
    FormatPath(layout->uninstaller, L"%s\\Tallybook\\tallyuninstall.exe", base);
}

static void CheckAllAsBuilt(const Layout* layout)
{
    CheckSameAsBuilt(layout->launcher, g_launcherExe, "launcher");
    CheckSameAsBuilt(layout->page, g_pageSource, "page");
    CheckSameAsBuilt(layout->uninstaller, g_uninstallerExe, "uninstaller");
}

// The layout under the LOCALAPPDATA this test set for the run.
static void LayoutUnderLocal(Layout* layout)
{
    wchar_t local[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    ok(n > 0 && n < MAX_PATH, "LOCALAPPDATA set: %lu characters", n);
    LayoutUnder(n > 0 && n < MAX_PATH ? local : L"?", layout);
}

static DWORD FileSizeOf(const wchar_t* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    bool read = GetFileAttributesExW(path, GetFileExInfoStandard, &data);
    ok(read && !data.nFileSizeHigh, "size of %s", u8(path));
    return read ? data.nFileSizeLow : 0;
}

// Windows' list of programs shows the launcher and the page together, in
// kilobytes: whole kilobytes rounded down, plus one.
static DWORD EstimatedKbOf(const wchar_t* launcher, const wchar_t* page)
{
    return (FileSizeOf(launcher) + FileSizeOf(page)) / 1024 + 1;
}

static void CheckShortcuts(bool desktop, bool startMenu)
{
    wchar_t desktopLink[MAX_PATH], startFolder[MAX_PATH], startMenuLink[MAX_PATH];
    InstalledShortcutPaths(desktopLink, startFolder, startMenuLink);
    ok(FileExists(desktopLink) == desktop, "desktop shortcut %s: got %s, expected %s", u8(desktopLink),
       FileExists(desktopLink) ? "made" : "not made", desktop ? "made" : "not made");
    ok(FileExists(startMenuLink) == startMenu, "start-menu shortcut %s: got %s, expected %s", u8(startMenuLink),
       FileExists(startMenuLink) ? "made" : "not made", startMenu ? "made" : "not made");
}

static void CheckRegistry(const Layout* layout, DWORD estimatedKb)
{
    // The eleven values written out here, not taken from the product's table.
    wchar_t command[2 * MAX_PATH];
    FormatPath(command, L"\"%s\"", layout->uninstaller);
    struct Expected { const wchar_t* key; const wchar_t* name; const wchar_t* text; DWORD number; };
    const wchar_t* product = TEST_PRODUCT_KEY;
    const wchar_t* uninstall = TEST_UNINSTALL_KEY;
    const Expected expected[] = {
        { product, L"InstallPath", layout->dir, 0 },
        { product, L"Version", L"2.0", 0 },
        { uninstall, L"DisplayName", L"青禾书苑 (Tallybook)", 0 },
        { uninstall, L"DisplayVersion", L"2.0", 0 },
        { uninstall, L"Publisher", L"Tallybook Studio", 0 },
        { uninstall, L"DisplayIcon", layout->launcher, 0 },
        { uninstall, L"UninstallString", command, 0 },
        { uninstall, L"InstallLocation", layout->dir, 0 },
        { uninstall, L"NoModify", 0, 1 },
        { uninstall, L"NoRepair", 0, 1 },
        { uninstall, L"EstimatedSize", 0, estimatedKb },
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

// Both shortcuts and every value, the size counted from the installed files.
static void CheckShortcutsAndRegistry(const Layout* layout)
{
    CheckShortcuts(true, true);
    CheckRegistry(layout, EstimatedKbOf(layout->launcher, layout->page));
}

static void CheckNoRegistry()
{
    BYTE data[1024];
    DWORD type = 0, size = sizeof data;
    LONG status = ReadRegValue(TEST_PRODUCT_KEY, L"InstallPath", &type, data, &size);
    ok(status == ERROR_FILE_NOT_FOUND, "no product key: status %ld, expected %d", status, ERROR_FILE_NOT_FOUND);
    size = sizeof data;
    status = ReadRegValue(TEST_UNINSTALL_KEY, L"UninstallString", &type, data, &size);
    ok(status == ERROR_FILE_NOT_FOUND, "no uninstall entry: status %ld, expected %d", status, ERROR_FILE_NOT_FOUND);
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
    FormatChecked(out, MAX_PATH, L"%s", SUCCEEDED(hr) ? folder : L"");
    CoTaskMemFree(folder);
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
static void test_long_base(void)
{
    wchar_t base[MAX_PATH + 8];
    int n = (int)GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH + 8);
    const int dir = n + 10, exe = dir + 14, page = dir + 11, uninstaller = dir + 19;
    RunWorker();
    CheckNotices(uninstaller <= 259 ? INSTALL_FAILED_NOTHING : INSTALL_FAILED_FILES);
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
    wchar_t desktopLink[MAX_PATH], startFolder[MAX_PATH], startMenuLink[MAX_PATH];
    InstalledShortcutPaths(desktopLink, startFolder, startMenuLink);
    bool linked = fits;
    ok(FileExists(desktopLink) == linked && FileExists(startMenuLink) == linked,
       "base of %d characters: shortcuts %s", n, linked ? "made" : "not made");
    BYTE data[1024] = {};
    DWORD type = 0, size = sizeof data;
    LONG status = ReadRegValue(TEST_PRODUCT_KEY, L"InstallPath", &type, data, &size);
    ok((status == ERROR_SUCCESS) == linked, "base of %d characters: registry %s (status %ld)", n,
       linked ? "written" : "not written", status);
    if (status == ERROR_SUCCESS) ok(lstrlenW((wchar_t*)data) == dir, "InstallPath whole: %d characters", lstrlenW((wchar_t*)data));
}

static void test_fresh_install(void)
{
    Layout layout;
    LayoutUnderLocal(&layout);
    ok(!DirExists(layout.dir), "install folder %s absent before the run", u8(layout.dir));
    DWORD elapsed = RunWorker();
    CheckNotices(INSTALL_FAILED_NOTHING);
    ok(elapsed >= 1560, "run took %lu ms, expected at least the 1560 ms of pauses", elapsed);
    CheckAllAsBuilt(&layout);
    CheckShortcutsAndRegistry(&layout);
}

// Installed again over stale files, with a stranger's program named
// tallyuninstall.exe beside the setup, as in Downloads.
static void test_install_again(void)
{
    Layout layout;
    LayoutUnderLocal(&layout);
    RunWorker();
    CheckNotices(INSTALL_FAILED_NOTHING);
    CheckSameAsBuilt(layout.uninstaller, g_uninstallerExe, "uninstaller");
    WriteTextFile(layout.page, "stale page");
    WriteTextFile(layout.uninstaller, "stale uninstaller");
    RemoveInstallTraces();
    RunWorker();
    CheckNotices(INSTALL_FAILED_NOTHING);
    CheckSameAsBuilt(layout.page, g_pageSource, "page, overwritten,");
    CheckSameAsBuilt(layout.uninstaller, g_uninstallerExe, "uninstaller");
    CheckShortcutsAndRegistry(&layout);
}

// Another program reads every installed file and both shortcuts for a
// moment, as a scanner or the shell does: the reinstall waits and succeeds.
static void test_held_for_a_moment(void)
{
    Layout layout;
    LayoutUnderLocal(&layout);
    RunWorker();
    wchar_t desktopLink[MAX_PATH], startFolder[MAX_PATH], startMenuLink[MAX_PATH];
    InstalledShortcutPaths(desktopLink, startFolder, startMenuLink);
    const wchar_t* held[] = { layout.launcher, layout.page, layout.uninstaller, desktopLink, startMenuLink };
    HANDLE holder = HoldFiles(held, 5, 1500);
    RunWorker();
    EndHold(holder);
    CheckNotices(INSTALL_FAILED_NOTHING);
    CheckAllAsBuilt(&layout);
    CheckShortcutsAndRegistry(&layout);
}

// A volatile parent takes no lasting key below it: the uninstall entry can't
// be written, while files and shortcuts are.
static void test_registry_blocked(void)
{
    Layout layout;
    LayoutUnderLocal(&layout);
    const wchar_t* parent = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    RegDeleteKeyW(HKEY_CURRENT_USER, parent);  // an empty one an earlier run left
    HKEY key = 0;
    DWORD disposition = 0;
    LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, parent, 0, 0, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, 0, &key, &disposition);
    ok(status == 0 && disposition == REG_CREATED_NEW_KEY, "volatile %s: status %ld", u8(parent), status);
    if (key) RegCloseKey(key);
    RunWorker();
    RegDeleteKeyW(HKEY_CURRENT_USER, parent);
    CheckNotices(INSTALL_FAILED_REGISTRY);
    CheckAllAsBuilt(&layout);
    CheckShortcuts(true, true);
}

// A launcher held open fails its step; every other step still does its work.
static void test_launcher_in_use(void)
{
    Layout layout;
    LayoutUnderLocal(&layout);
    RunWorker();
    DeleteFileW(layout.page);
    HANDLE held = CreateFileW(layout.launcher, GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0);
    ok(held != INVALID_HANDLE_VALUE, "launcher held open");
    RunWorker();
    CloseHandle(held);
    CheckNotices(INSTALL_FAILED_FILES);
    CheckSameAsBuilt(layout.page, g_pageSource, "page, written after the launcher failed,");
    CheckShortcutsAndRegistry(&layout);
}

// LOCALAPPDATA names a folder below a plain file: nothing can be created there.
static void test_unwritable_base(void)
{
    Layout layout;
    LayoutUnderLocal(&layout);
    DWORD elapsed = RunWorker();
    CheckNotices(INSTALL_FAILED_FILES);
    ok(elapsed >= 1560, "all pauses still taken: %lu ms, expected at least 1560", elapsed);
    ok(!DirExists(layout.dir), "no install folder %s", u8(layout.dir));
    CheckShortcuts(true, true);
    // Nothing installed: the size is counted from what would have been.
    CheckRegistry(&layout, EstimatedKbOf(g_launcherExe, g_pageSource));
}

// A folder that is not ours already holds the desktop shortcut's name.
static void test_desktop_shortcut_blocked(void)
{
    Layout layout;
    LayoutUnderLocal(&layout);
    wchar_t desktopLink[MAX_PATH], startFolder[MAX_PATH], startMenuLink[MAX_PATH];
    InstalledShortcutPaths(desktopLink, startFolder, startMenuLink);
    ok(CreateDirectoryW(desktopLink, 0), "folder %s made", u8(desktopLink));
    RunWorker();
    CheckNotices(INSTALL_FAILED_SHORTCUTS);
    CheckAllAsBuilt(&layout);
    CheckRegistry(&layout, EstimatedKbOf(layout.launcher, layout.page));
    ok(DirExists(desktopLink), "the folder named like the shortcut stays a folder");
    CheckShortcuts(false, true);
    RemoveDirectoryW(desktopLink);
}

// A file that is not ours already holds the Start-menu folder's name.
static void test_start_menu_folder_blocked(void)
{
    Layout layout;
    LayoutUnderLocal(&layout);
    wchar_t desktopLink[MAX_PATH], startFolder[MAX_PATH], startMenuLink[MAX_PATH];
    InstalledShortcutPaths(desktopLink, startFolder, startMenuLink);
    ok(WriteTextFile(startFolder, "a file named like the Start-menu folder"), "file %s made", u8(startFolder));
    RunWorker();
    CheckNotices(INSTALL_FAILED_SHORTCUTS);
    CheckAllAsBuilt(&layout);
    CheckRegistry(&layout, EstimatedKbOf(layout.launcher, layout.page));
    ok(FileExists(startFolder), "the file named like the Start-menu folder stays a file");
    ok(FileExists(desktopLink), "desktop shortcut %s still made", u8(desktopLink));
    DeleteFileW(startFolder);
}

// Without LOCALAPPDATA the user's own local folder, never one on C:\ that others may change.
static void test_no_local_app_data(void)
{
    wchar_t known[MAX_PATH];
    KnownLocalFolder(known);
    Layout layout;
    LayoutUnder(known, &layout);
    bool existed = DirExists(layout.dir);
    ok(!existed, "%s absent before the run", u8(layout.dir));
    char rootBefore[8192], rootAfter[8192];
    ListDriveRoot(rootBefore, sizeof rootBefore);
    RunWorker();
    CheckNotices(INSTALL_FAILED_NOTHING);
    CheckAllAsBuilt(&layout);
    CheckShortcutsAndRegistry(&layout);
    ListDriveRoot(rootAfter, sizeof rootAfter);
    ok(!DirExists(L"C:\\Tallybook") && !FileExists(L"C:\\Tallybook"), "nothing at C:\\Tallybook");
    ok(!lstrcmpA(rootBefore, rootAfter), "C:\\ unchanged\n  before %s\n  after  %s", rootBefore, rootAfter);
    if (!existed) DeleteTree(layout.dir);
}

// A LOCALAPPDATA that can't be read whole names no folder: install nothing anywhere.
static void test_local_app_data_too_long(void)
{
    wchar_t known[MAX_PATH];
    KnownLocalFolder(known);
    Layout other;
    LayoutUnder(known, &other);
    char rootBefore[8192], rootAfter[8192];
    ListDriveRoot(rootBefore, sizeof rootBefore);
    RunWorker();
    CheckNotices(INSTALL_FAILED_FILES);
    ListDriveRoot(rootAfter, sizeof rootAfter);
    ok(!lstrcmpA(rootBefore, rootAfter), "C:\\ unchanged\n  before %s\n  after  %s", rootBefore, rootAfter);
    ok(!DirExists(other.dir), "nothing in the known local folder: %s", u8(other.dir));
    CheckShortcuts(false, false);
    CheckNoRegistry();
}

// How the parent prepares each scenario's run.
enum Base { BASE_FOLDER, BASE_BELOW_FILE, BASE_MISSING, BASE_TOO_LONG };

struct Scenario {
    const wchar_t* name;
    void (*test)(void);
    Base base;
    bool strangerBeside;  // a working program named tallyuninstall.exe beside the setup
};

static const Scenario SCENARIOS[] = {
    { L"fresh", test_fresh_install, BASE_FOLDER, false },
    { L"again", test_install_again, BASE_FOLDER, true },
    { L"in-use", test_launcher_in_use, BASE_FOLDER, false },
    { L"held", test_held_for_a_moment, BASE_FOLDER, false },
    { L"registry-blocked", test_registry_blocked, BASE_FOLDER, false },
    { L"unwritable", test_unwritable_base, BASE_BELOW_FILE, false },
    { L"desktop-blocked", test_desktop_shortcut_blocked, BASE_FOLDER, false },
    { L"start-menu-blocked", test_start_menu_folder_blocked, BASE_FOLDER, false },
    { L"no-local", test_no_local_app_data, BASE_MISSING, false },
    { L"too-long", test_local_app_data_too_long, BASE_TOO_LONG, false },
    // Run by RunLongBases, once for each length.
    { L"long", test_long_base, BASE_FOLDER, false },
};

// In the copy: runs one scenario, as the wizard would, after ComputeInstallPaths.
static int worker_child(const wchar_t* name)
{
    // u8's buffers rotate: the context keeps a copy of its own.
    static char context[64];
    lstrcpynA(context, u8(name), sizeof context);
    g_testContext = context;
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    ComputeInstallPaths();
    RemoveInstallTraces();
    bool known = false;
    for (const Scenario& s : SCENARIOS) {
        if (lstrcmpW(s.name, name)) continue;
        known = true;
        s.test();
    }
    ok(known, "scenario %s", context);
    RemoveInstallTraces();
    CoUninitialize();
    return test_summary(context);
}

static void ChildArgs(const wchar_t* scenario, wchar_t* args /* 1024 */)
{
    FormatChecked(args, 1024, L"worker %s \"%s\" \"%s\"", scenario, g_uninstallerExe, g_launcherExe);
}

static void RunScenario(const Scenario* scenario)
{
    static char context[64];
    lstrcpynA(context, u8(scenario->name), sizeof context);
    g_testContext = context;
    wchar_t dir[MAX_PATH], local[MAX_PATH], args[1024];
    MakeTempDir(scenario->name, dir);
    if (scenario->base == BASE_BELOW_FILE) {
        wchar_t blocker[MAX_PATH];
        FormatPath(blocker, L"%s\\blocker", dir);
        WriteTextFile(blocker, "a file where a folder should be");
        FormatPath(local, L"%s\\blocker\\Local", dir);
    } else {
        FormatPath(local, L"%s\\Users\\a\\AppData\\Local", dir);
    }
    if (scenario->strangerBeside) {
        // A working program, just not ours.
        wchar_t uninstaller[MAX_PATH], self[MAX_PATH];
        FormatPath(uninstaller, L"%s\\tallyuninstall.exe", dir);
        OwnPath(self);
        ok(CopyFileW(self, uninstaller, FALSE), "stranger placed at %s", u8(uninstaller));
    }
    if (scenario->base == BASE_MISSING) {
        SetEnvironmentVariableW(L"LOCALAPPDATA", 0);
    } else if (scenario->base == BASE_TOO_LONG) {
        // 300 characters: more than a path buffer holds.
        wchar_t longBase[320];
        lstrcpyW(longBase, L"C:\\");
        for (int i = 3; i < 300; ++i) longBase[i] = (i % 50 == 0) ? L'\\' : L'q';
        longBase[300] = 0;
        SetEnvironmentVariableW(L"LOCALAPPDATA", longBase);
    } else {
        SetEnvironmentVariableW(L"LOCALAPPDATA", local);
    }
    ChildArgs(scenario->name, args);
    bool driveFolderBefore = DirExists(L"C:\\Tallybook");
    int code = RunCopyOfSelf(dir, args);
    ok(code == 0, "scenario %s: child exit %d, expected 0", u8(scenario->name), code);
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
        wchar_t args[1024];
        ChildArgs(L"long", args);
        int code = RunCopyOfSelf(dir, args);
        ok(code == 0, "base of %d characters: child exit %d, expected 0", n, code);
        DeleteDeepTree(dir);
    }
}

int wmain(int argc, wchar_t** argv)
{
    FormatPath(g_pageSource, L"%s\\payload\\index.html", TALLY_SOURCE_DIR);
    if (argc == 5 && !lstrcmpW(argv[1], L"worker")) {
        lstrcpynW(g_uninstallerExe, argv[3], MAX_PATH);
        lstrcpynW(g_launcherExe, argv[4], MAX_PATH);
        return worker_child(argv[2]);
    }
    if (argc < 3) { printf("usage: test_worker <tallyuninstall.exe> <tallybook.exe> [long]\n"); return 2; }
    ArgToWindowsPath(argv[1], g_uninstallerExe);
    ArgToWindowsPath(argv[2], g_launcherExe);
    // The base-folder lengths apart, so that ctest runs them beside the rest.
    if (argc >= 4 && !lstrcmpW(argv[3], L"long")) {
        RunLongBases();
        return test_summary("installation worker, long base folders");
    }
    for (const Scenario& scenario : SCENARIOS)
        if (lstrcmpW(scenario.name, L"long")) RunScenario(&scenario);
    return test_summary("installation worker");
}
