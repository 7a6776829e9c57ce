// Each program, started from a folder where an attacker left DLLs named like
// system ones, used as a user uses it: none of the planted DLLs may be mapped,
// and the program still does its work. Wine loads its own DLLs first, which
// hides the attack, so each program under test (and only it, by its name)
// gets a native-first order for the planted names, as Windows searches for
// DLLs that are not KnownDLLs. This driver, and through it Wine's desktop,
// keep the normal order.
//   test_dll_planting <tallyinstall.exe> <tallybook.exe> <tallyuninstall.exe> <planted.dll>
#include "../support/ok.h"
#include "../support/install_traces.h"
#include "../support/test_paths.h"
#include <shlwapi.h>

static wchar_t g_setupExe[MAX_PATH], g_launcherExe[MAX_PATH], g_uninstallerExe[MAX_PATH], g_plantedDll[MAX_PATH];

// uxtheme and dwmapi come with every window and box, propsys and comctl32
// with the shell and the wizard's progress bar. version.dll is left out:
// Wine itself maps it from the program's folder for every program (the
// import check covers it).
static const wchar_t* const PLANTED[] = { L"uxtheme.dll", L"dwmapi.dll", L"propsys.dll", L"comctl32.dll" };
static const int PLANTED_COUNT = sizeof PLANTED / sizeof PLANTED[0];

struct Child {
    PROCESS_INFORMATION pi;
    wchar_t log[MAX_PATH];  // Wine's +loaddll trace of the child
    wchar_t exeName[64];
};

// A Downloads-like folder holding the program and the planted DLLs.
static void PlantFolder(const wchar_t* tag, const wchar_t* program, const wchar_t* name, wchar_t* dir, wchar_t* exe)
{
    MakeTempDir(tag, dir);
    JoinPath(exe, dir, name);
    ok(CopyFileW(program, exe, FALSE), "%s copied to %s", u8(name), u8(exe));
    for (int i = 0; i < PLANTED_COUNT; ++i) {
        wchar_t path[MAX_PATH];
        JoinPath(path, dir, PLANTED[i]);
        ok(CopyFileW(g_plantedDll, path, FALSE), "planted %s", u8(path));
    }
}

// Wine takes WINEDLLOVERRIDES from the environment it was started with, not
// from a Windows parent's block, so the order goes to the program by name.
static void SetPlantedOrder(const wchar_t* exeName, bool on)
{
    wchar_t key[MAX_PATH];
    FormatChecked(key, MAX_PATH, L"Software\\Wine\\AppDefaults\\%s", exeName);
    if (!on) { RegDeleteTreeW(HKEY_CURRENT_USER, key); return; }
    lstrcatW(key, L"\\DllOverrides");
    HKEY overrides;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, 0, 0, KEY_SET_VALUE, 0, &overrides, 0) != ERROR_SUCCESS) {
        ok(false, "could not write %s", u8(key));
        return;
    }
    for (int i = 0; i < PLANTED_COUNT; ++i) {
        wchar_t name[32];
        lstrcpynW(name, PLANTED[i], lstrlenW(PLANTED[i]) - 3);  // without ".dll"
        RegSetValueExW(overrides, name, 0, REG_SZ, (const BYTE*)L"native,builtin", sizeof L"native,builtin");
    }
    RegCloseKey(overrides);
}

static bool StartPlanted(const wchar_t* exe, const wchar_t* dir, Child* child)
{
    ZeroMemory(child, sizeof *child);
    JoinPath(child->log, dir, L"loaddll.log");
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, 0, TRUE };
    HANDLE log = CreateFileW(child->log, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, 0);
    STARTUPINFOW si = { sizeof si };
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = log;
    si.hStdError = log;
    wchar_t command[MAX_PATH + 4];
    FormatChecked(command, MAX_PATH + 4, L"\"%s\"", exe);
    SetPlantedOrder(PathFindFileNameW(exe), true);
    SetEnvironmentVariableW(L"WINEDEBUG", L"+loaddll");
    BOOL started = CreateProcessW(exe, command, 0, 0, TRUE, 0, 0, dir, &si, &child->pi);
    SetEnvironmentVariableW(L"WINEDEBUG", L"-all");
    CloseHandle(log);
    ok(started, "started %s (error %lu)", u8(exe), started ? 0 : GetLastError());
    if (started) lstrcpynW(child->exeName, PathFindFileNameW(exe), 64);
    return started != 0;
}

static DWORD EndChild(Child* child, DWORD waitMs)
{
    DWORD code = STILL_ACTIVE;
    if (!child->pi.hProcess) return code;
    if (WaitForSingleObject(child->pi.hProcess, waitMs) != WAIT_OBJECT_0) TerminateProcess(child->pi.hProcess, 99);
    GetExitCodeProcess(child->pi.hProcess, &code);
    CloseHandle(child->pi.hThread);
    CloseHandle(child->pi.hProcess);
    child->pi.hProcess = 0;
    SetPlantedOrder(child->exeName, false);
    return code;
}

// Neither the DLLs' own markers nor Wine's loader trace may show a planted DLL.
static void CheckNothingMapped(const wchar_t* dir, const Child* child, const char* program)
{
    for (int i = 0; i < PLANTED_COUNT; ++i) {
        wchar_t marker[MAX_PATH];
        JoinPath(marker, dir, PLANTED[i]);
        lstrcatW(marker, L".mapped");
        ok(!FileExists(marker), "%s mapped the planted %s", program, u8(PLANTED[i]));
    }
    DWORD size = 0;
    char* trace = (char*)ReadWholeFile(child->log, &size);
    for (char* line = trace; line && *line;) {
        char* end = strchr(line, '\n');
        if (end) *end = 0;
        if (strstr(line, ": native")) {
            for (int i = 0; i < PLANTED_COUNT; ++i)
                ok(!StrStrIA(line, u8(PLANTED[i])), "%s: loader trace shows a planted DLL:\n  %s", program, line);
        }
        line = end ? end + 1 : 0;
    }
    if (trace) HeapFree(GetProcessHeap(), 0, trace);
}

// The last lines of the child's trace, for a failure message.
static void ShowTraceTail(const Child* child)
{
    DWORD size = 0;
    char* trace = (char*)ReadWholeFile(child->log, &size);
    if (!trace) return;
    DWORD from = size > 1500 ? size - 1500 : 0;
    printf("  last lines of the child's output:\n%s\n", trace + from);
    HeapFree(GetProcessHeap(), 0, trace);
}

// Shown, not only created: a window exists a moment before its controls, and
// a message box lays out its buttons only then; a click before that reaches
// nothing (seen once in twenty runs for each).
static HWND WaitForWindow(DWORD pid, const wchar_t* cls, const wchar_t* title, DWORD waitMs)
{
    for (DWORD waited = 0; waited < waitMs; waited += 20) {
        HWND wnd = FindWindowOf(pid, cls, title);
        if (wnd && IsWindowVisible(wnd)) return wnd;
        Sleep(20);
    }
    return 0;
}

static void test_setup_from_downloads()
{
    g_testContext = "setup";
    wchar_t dir[MAX_PATH], exe[MAX_PATH], local[MAX_PATH];
    PlantFolder(L"plant-setup", g_setupExe, L"tallyinstall.exe", dir, exe);
    JoinPath(local, dir, L"local");
    SetEnvironmentVariableW(L"LOCALAPPDATA", local);

    Child child;
    if (!StartPlanted(exe, dir, &child)) return;
    HWND wizard = WaitForWindow(child.pi.dwProcessId, L"QZSetupWnd", 0, 20000);
    ok(wizard != 0, "the wizard window appeared");
    wchar_t status[256] = L"";
    if (wizard) {
        SendMessageW(GetDlgItem(wizard, 1001), BM_CLICK, 0, 0);
        for (int i = 0; i < 200; ++i) {
            SendMessageW(GetDlgItem(wizard, 1002), WM_GETTEXT, 256, (LPARAM)status);
            if (status[0] == L'✓' || status[0] == L'⚠') break;
            Sleep(100);
        }
        ok(!lstrcmpW(status, L"✓ 安装完成！已在桌面和开始菜单创建快捷方式"), "result line %s", u8(status));
        PostMessageW(wizard, WM_CLOSE, 0, 0);
    }
    DWORD code = EndChild(&child, 10000);
    ok(code == 0, "setup exit code %lu", code);
    const wchar_t* installed[] = { L"tallybook.exe", L"index.html", L"tallyuninstall.exe" };
    for (const wchar_t* name : installed) {
        wchar_t path[MAX_PATH];
        FormatChecked(path, MAX_PATH, L"%s\\Tallybook\\%s", local, name);
        ok(FileExists(path), "installed %s", u8(path));
    }
    CheckNothingMapped(dir, &child, "setup");
    if (g_failures) ShowTraceTail(&child);
    RemoveInstallTraces();
    DeleteTree(dir);
}

static void test_launcher_message_box()
{
    g_testContext = "launcher";
    wchar_t dir[MAX_PATH], exe[MAX_PATH], local[MAX_PATH], saved[256] = L"";
    PlantFolder(L"plant-launcher", g_launcherExe, L"tallybook.exe", dir, exe);
    JoinPath(local, dir, L"local");
    SetEnvironmentVariableW(L"LOCALAPPDATA", local);
    SetEnvironmentVariableW(L"ProgramFiles(x86)", dir);  // no browser there
    // An .html class without an open verb: the shell fallback fails and the box follows.
    LONG size = sizeof saved;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, L".html", saved, &size) != ERROR_SUCCESS) saved[0] = 0;
    RegSetValueW(HKEY_CLASSES_ROOT, L"TallyPlantNoHandler", REG_SZ, L"none", 8);
    RegSetValueW(HKEY_CLASSES_ROOT, L".html", REG_SZ, L"TallyPlantNoHandler", 38);

    Child child;
    if (StartPlanted(exe, dir, &child)) {
        HWND box = WaitForWindow(child.pi.dwProcessId, L"#32770", L"青禾书苑", 20000);
        ok(box != 0, "the message box appeared");
        if (box) {
            wchar_t text[256] = L"";
            SendMessageW(GetDlgItem(box, 0xFFFF), WM_GETTEXT, 256, (LPARAM)text);
            ok(wcsstr(text, L"请手动双击同目录下的 index.html") != 0, "box text %s", u8(text));
            SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        }
        DWORD code = EndChild(&child, 10000);
        ok(code == 0, "launcher exit code %lu after the box was answered", code);
        CheckNothingMapped(dir, &child, "launcher");
        if (g_failures) ShowTraceTail(&child);
    }
    if (saved[0]) RegSetValueW(HKEY_CLASSES_ROOT, L".html", REG_SZ, saved, lstrlenW(saved) * 2);
    else RegDeleteKeyW(HKEY_CLASSES_ROOT, L".html");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"TallyPlantNoHandler");
    SetEnvironmentVariableW(L"ProgramFiles(x86)", 0);
    DeleteTree(dir);
}

static void test_uninstaller_question()
{
    g_testContext = "uninstaller";
    wchar_t dir[MAX_PATH], exe[MAX_PATH], local[MAX_PATH];
    PlantFolder(L"plant-uninstall", g_uninstallerExe, L"tallyuninstall.exe", dir, exe);
    JoinPath(local, dir, L"local");
    SetEnvironmentVariableW(L"LOCALAPPDATA", local);
    Child child;
    if (!StartPlanted(exe, dir, &child)) return;
    HWND box = WaitForWindow(child.pi.dwProcessId, L"#32770", L"青禾书苑", 20000);
    ok(box != 0, "the uninstaller's box appeared");
    if (box) {
        HWND button = GetDlgItem(box, IDNO);
        if (!button) button = GetDlgItem(box, IDOK);
        ok(button != 0, "the box has an answer to press");
        SendMessageW(button, BM_CLICK, 0, 0);
    }
    DWORD code = EndChild(&child, 10000);
    ok(code == 0, "uninstaller exit code %lu after the box was answered", code);
    CheckNothingMapped(dir, &child, "uninstaller");
    if (g_failures) ShowTraceTail(&child);
    DeleteTree(dir);
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 5) { printf("usage: test_dll_planting <setup> <launcher> <uninstaller> <planted.dll>\n"); return 2; }
    ArgToWindowsPath(argv[1], g_setupExe);
    ArgToWindowsPath(argv[2], g_launcherExe);
    ArgToWindowsPath(argv[3], g_uninstallerExe);
    ArgToWindowsPath(argv[4], g_plantedDll);
    // Wine's desktop starts with the first window: let it start from here,
    // with the normal order, before any program with the planted order runs.
    GetDesktopWindow();
    HWND warm = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, 0, 0, 0, 0);
    DestroyWindow(warm);
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);

    test_setup_from_downloads();
    test_launcher_message_box();
    test_uninstaller_question();
    return test_summary("dll planting");
}
