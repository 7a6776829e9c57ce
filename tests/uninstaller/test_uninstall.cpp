// The whole cycle with the real programs: the worker installs (with the real
// uninstaller beside it, as in the package), the installed uninstaller is run
// and its message boxes are answered from outside, and what is left is checked.
//   test_uninstall <tallyuninstall.exe>
#include "../support/ok.h"
#include "../../setup/install_plan.h"
#include "../../setup/install_worker.h"
#include <shlobj.h>

static wchar_t g_uninstallerExe[MAX_PATH];

// ---- child: install with the worker, from a folder holding the uninstaller ----

static LRESULT CALLBACK QuietWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETUP_DONE) PostQuitMessage((int)wParam);
    return DefWindowProcW(wnd, message, wParam, lParam);
}

static int install_child()
{
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    ComputeInstallPaths();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = QuietWndProc;
    wc.lpszClassName = L"TallyInstallChild";
    RegisterClassW(&wc);
    HWND wnd = CreateWindowW(L"TallyInstallChild", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
    CloseHandle(CreateThread(0, 0, InstallThreadProc, wnd, 0, 0));
    MSG msg;
    while (GetMessageW(&msg, 0, 0, 0) > 0) DispatchMessageW(&msg);
    CoUninitialize();
    return msg.wParam == 1 ? 0 : 1;
}

// ---- parent ----

struct Install {
    wchar_t root[MAX_PATH];
    wchar_t package[MAX_PATH];   // the unpacked package: installer stand-in + uninstaller
    wchar_t local[MAX_PATH];
    wchar_t dir[MAX_PATH];
};

static void PathIn(const wchar_t* dir, const wchar_t* name, wchar_t* out) { FormatMaxPath(out, L"%s\\%s", dir, name); }

static void ShortcutPaths(wchar_t* desktop, wchar_t* startFolder, wchar_t* startLink)
{
    wchar_t* folder = 0;
    SHGetKnownFolderPath(FOLDERID_Desktop, 0, 0, &folder);
    FormatMaxPath(desktop, L"%s\\青禾书苑.lnk", folder);
    CoTaskMemFree(folder);
    SHGetKnownFolderPath(FOLDERID_Programs, 0, 0, &folder);
    FormatMaxPath(startFolder, L"%s\\Tallybook", folder);
    FormatMaxPath(startLink, L"%s\\Tallybook\\青禾书苑.lnk", folder);
    CoTaskMemFree(folder);
}

static bool KeyExists(const wchar_t* subKey)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

static void Prepare(Install* in, const wchar_t* tag)
{
    MakeTempDir(tag, in->root);
    PathIn(in->root, L"package", in->package);
    CreateDirectoryW(in->package, 0);
    FormatPath(in->local, L"%s\\AppData\\Local", in->root);
    FormatPath(in->dir, L"%s\\Tallybook", in->local);
    wchar_t uninstaller[MAX_PATH];
    PathIn(in->package, L"tallyuninstall.exe", uninstaller);
    CopyFileW(g_uninstallerExe, uninstaller, FALSE);
    SetEnvironmentVariableW(L"LOCALAPPDATA", in->local);
}

static bool RunInstall(Install* in)
{
    return RunCopyOfSelf(in->package, L"install") == 0;
}

static void CheckInstalled(Install* in, bool expected, const char* when)
{
    wchar_t path[MAX_PATH], desktop[MAX_PATH], startFolder[MAX_PATH], startLink[MAX_PATH];
    ShortcutPaths(desktop, startFolder, startLink);
    const wchar_t* names[] = { L"tallybook.exe", L"index.html", L"tallyuninstall.exe" };
    for (const wchar_t* name : names) {
        PathIn(in->dir, name, path);
        ok(FileExists(path) == expected, "%s: %s %s", when, u8(name), expected ? "present" : "gone");
    }
    ok(FileExists(desktop) == expected, "%s: desktop shortcut", when);
    ok(FileExists(startLink) == expected, "%s: start-menu shortcut", when);
    ok(DirExists(startFolder) == expected, "%s: start-menu folder", when);
    ok(KeyExists(PRODUCT_KEY) == expected, "%s: product key", when);
    ok(KeyExists(UNINSTALL_KEY) == expected, "%s: uninstall key", when);
}

static HWND FindMessageBox(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        HWND box = FindWindowExW(0, 0, L"#32770", L"青禾书苑");
        if (box && IsWindowVisible(box)) return box;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return 0;
}

// Runs an uninstaller, answers its question, and returns the result box's text.
static void RunUninstaller(const wchar_t* exe, bool answerYes, wchar_t* resultText, int capacity)
{
    resultText[0] = 0;
    wchar_t command[MAX_PATH + 4];
    FormatPath(command, L"\"%s\"", exe);
    STARTUPINFOW si = { sizeof si };
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(0, command, 0, 0, FALSE, 0, 0, 0, &si, &pi)) { ok(false, "start %s", u8(exe)); return; }
    HWND question = FindMessageBox(15000);
    ok(question != 0, "the question is asked");
    if (question) {
        wchar_t text[512] = L"";
        SendMessageW(GetDlgItem(question, 0xFFFF), WM_GETTEXT, 512, (LPARAM)text);
        ok(wcsstr(text, L"卸载") != 0, "question text %s", u8(text));
        ok(GetDlgItem(question, IDYES) && GetDlgItem(question, IDNO), "Yes and No buttons");
        SendMessageW(GetDlgItem(question, answerYes ? IDYES : IDNO), BM_CLICK, 0, 0);
    }
    if (answerYes) {
        // The result comes from the uninstaller or from its temporary copy.
        HWND result = 0;
        DWORD start = GetTickCount();
        while (!result && GetTickCount() - start < 15000) {
            HWND box = FindMessageBox(200);
            if (box && box != question && IsWindow(box)) result = box;
        }
        ok(result != 0, "the result is shown");
        if (result) {
            SendMessageW(GetDlgItem(result, 0xFFFF), WM_GETTEXT, capacity, (LPARAM)resultText);
            HWND button = GetDlgItem(result, IDOK);
            SendMessageW(button ? button : GetDlgItem(result, IDCANCEL), BM_CLICK, 0, 0);
        }
    }
    DWORD code = 99;
    ok(WaitForSingleObject(pi.hProcess, 15000) == WAIT_OBJECT_0, "uninstaller ended");
    GetExitCodeProcess(pi.hProcess, &code);
    ok(code == 0, "uninstaller exit code %lu", code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    Sleep(1000);  // the temporary copy ends after its box is dismissed
}

static int CountTemporaryCopies()
{
    wchar_t temp[MAX_PATH], pattern[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    FormatPath(pattern, L"%stallyuninstall-*.exe", temp);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    int count = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do ++count; while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return count;
}

static void test_full_cycle()
{
    g_testContext = "full cycle";
    Install in;
    Prepare(&in, L"cycle");
    ok(RunInstall(&in), "install succeeded");
    CheckInstalled(&in, true, "after install");
    wchar_t foreign[MAX_PATH], installed[MAX_PATH], text[2048];
    PathIn(in.dir, L"我的笔记.txt", foreign);
    WriteTextFile(foreign, "the user's own file");

    PathIn(in.dir, L"tallyuninstall.exe", installed);
    RunUninstaller(installed, true, text, 2048);
    ok(wcsstr(text, L"已卸载") != 0, "result: %s", u8(text));
    ok(wcsstr(text, L"保留") != 0, "result mentions the kept folder: %s", u8(text));
    CheckInstalled(&in, false, "after uninstall");
    ok(FileExists(foreign), "the user's own file survives");
    ok(DirExists(in.dir), "the folder holding it survives");
    ok(CountTemporaryCopies() == 0, "no temporary copy left behind (%d)", CountTemporaryCopies());

    // A second uninstall finds nothing to do, and says so.
    RunUninstaller(g_uninstallerExe, true, text, 2048);
    ok(wcsstr(text, L"无需卸载") != 0, "second uninstall: %s", u8(text));

    // Installing again works, and uninstalling a clean install removes its folder too.
    DeleteFileW(foreign);
    ok(RunInstall(&in), "install again");
    CheckInstalled(&in, true, "after reinstall");
    RunUninstaller(installed, true, text, 2048);
    ok(wcsstr(text, L"已卸载") != 0 && !wcsstr(text, L"保留"), "result: %s", u8(text));
    CheckInstalled(&in, false, "after the second uninstall");
    ok(!DirExists(in.dir), "empty install folder removed");
    ok(DirExists(in.local), "the folder above it stays");
    DeleteTree(in.root);
}

static void test_answer_no()
{
    g_testContext = "answer no";
    Install in;
    Prepare(&in, L"no");
    ok(RunInstall(&in), "install succeeded");
    wchar_t installed[MAX_PATH], text[2048];
    PathIn(in.dir, L"tallyuninstall.exe", installed);
    RunUninstaller(installed, false, text, 2048);
    CheckInstalled(&in, true, "after No");
    RunUninstaller(installed, true, text, 2048);  // clean up
    DeleteTree(in.root);
}

static void test_locked_launcher()
{
    g_testContext = "locked launcher";
    Install in;
    Prepare(&in, L"locked");
    ok(RunInstall(&in), "install succeeded");
    wchar_t launcher[MAX_PATH], installed[MAX_PATH], page[MAX_PATH], text[2048];
    PathIn(in.dir, L"tallybook.exe", launcher);
    PathIn(in.dir, L"index.html", page);
    PathIn(in.dir, L"tallyuninstall.exe", installed);
    HANDLE held = CreateFileW(launcher, GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0);
    ok(held != INVALID_HANDLE_VALUE, "launcher held open");
    RunUninstaller(installed, true, text, 2048);
    ok(wcsstr(text, launcher) != 0, "result names what is left: %s", u8(text));
    ok(FileExists(launcher), "the locked launcher stays");
    ok(!FileExists(page), "the page is removed");
    ok(FileExists(installed) && KeyExists(UNINSTALL_KEY), "the uninstaller and its entry stay for another try");
    ok(CountTemporaryCopies() == 0, "no temporary copy left behind");
    CloseHandle(held);

    // Once the launcher is free, the uninstaller beside it finishes the job.
    RunUninstaller(installed, true, text, 2048);
    ok(wcsstr(text, L"已卸载") != 0, "retry result: %s", u8(text));
    CheckInstalled(&in, false, "after the retry");
    DeleteTree(in.root);
}

int wmain(int argc, wchar_t** argv)
{
    if (argc == 2 && !lstrcmpW(argv[1], L"install")) return install_child();
    if (argc < 2) { printf("usage: test_uninstall <tallyuninstall.exe>\n"); return 2; }
    ArgToWindowsPath(argv[1], g_uninstallerExe);
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    test_full_cycle();
    test_answer_no();
    test_locked_launcher();
    return test_summary("uninstaller");
}
