// The whole cycle with the real programs: the worker installs (alone in its
// folder, with the uninstaller it carries), the installed uninstaller is run
// and its message boxes are answered from outside, and what is left is checked.
//   test_uninstall <tallyuninstall.exe>
#include "../support/ok.h"
#include "../support/install_traces.h"
#include "../support/test_paths.h"
#include "../support/unix_links.h"
#include "../support/tree_snapshot.h"
#include "../support/held_files.h"
#include "../../setup/install_plan.h"
#include "../../setup/install_steps.h"
#include "../../common/plain_file.h"
#include "../../common/private_folders.h"
#include "../../uninstaller/safe_removal.h"
#include <shlobj.h>
#include <shlwapi.h>

static wchar_t g_uninstallerExe[MAX_PATH];

// ---- child: install with the setup's steps, from a folder of its own ----

// The steps without the wizard's pauses: what is installed is the same.
static int install_child()
{
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    ComputeInstallPaths();
    InstallContext context = { EstimatedSizeKb(LauncherPayload().size, PagePayload().size) };
    bool all = true;
    for (int i = 0; i < INSTALL_STEP_COUNT; ++i)
        if (!InstallStepTable[i].action(&context)) all = false;
    CoUninitialize();
    return all ? 0 : 1;
}

// ---- parent ----

struct Install {
    wchar_t root[MAX_PATH];
    wchar_t package[MAX_PATH];   // the folder the installer stand-in runs from, alone
    wchar_t local[MAX_PATH];
    wchar_t dir[MAX_PATH];
};

static void Prepare(Install* in, const wchar_t* tag)
{
    MakeTempDir(tag, in->root);
    JoinPath(in->package, in->root, L"package");
    CreateDirectoryW(in->package, 0);
    FormatPath(in->local, L"%s\\AppData\\Local", in->root);
    FormatPath(in->dir, L"%s\\Tallybook", in->local);
    SetEnvironmentVariableW(L"LOCALAPPDATA", in->local);
}

static bool RunInstall(Install* in)
{
    return RunCopyOfSelf(in->package, L"install") == 0;
}

static void CheckInstalled(Install* in, bool expected, const char* when)
{
    wchar_t path[MAX_PATH], desktop[MAX_PATH], startFolder[MAX_PATH], startLink[MAX_PATH];
    InstalledShortcutPaths(desktop, startFolder, startLink);
    const wchar_t* names[] = { L"tallybook.exe", L"index.html", L"tallyuninstall.exe" };
    for (const wchar_t* name : names) {
        JoinPath(path, in->dir, name);
        ok(FileExists(path) == expected, "%s: %s %s", when, u8(name), expected ? "present" : "gone");
    }
    ok(FileExists(desktop) == expected, "%s: desktop shortcut", when);
    ok(FileExists(startLink) == expected, "%s: start-menu shortcut", when);
    ok(DirExists(startFolder) == expected, "%s: start-menu folder", when);
    ok(RegistryKeyExists(TEST_PRODUCT_KEY) == expected, "%s: product key", when);
    ok(RegistryKeyExists(TEST_UNINSTALL_KEY) == expected, "%s: uninstall key", when);
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

enum Answer { ANSWER_YES, ANSWER_NO, NO_QUESTION };

// When set, another program holds these files from the answer on, for a
// moment shorter than the uninstaller's wait.
static const wchar_t* const* g_heldAtAnswer;
static int g_heldAtAnswerCount;

static void ReadBox(HWND box, wchar_t* text, int capacity)
{
    text[0] = 0;
    SendMessageW(GetDlgItem(box, 0xFFFF), WM_GETTEXT, capacity, (LPARAM)text);
}

static void PressOk(HWND box)
{
    HWND button = GetDlgItem(box, IDOK);
    SendMessageW(button ? button : GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0);
}

// The image of the process that shows a window.
static void ImageOf(HWND wnd, wchar_t* image)
{
    image[0] = 0;
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    DWORD size = MAX_PATH;
    if (process) { QueryFullProcessImageNameW(process, 0, image, &size); CloseHandle(process); }
}

// Runs an uninstaller with a command line, answers its question (or expects
// none), and returns the result box's text and the image that showed it.
static void RunUninstallerWith(const wchar_t* exe, const wchar_t* args, Answer answer, wchar_t* resultText, int capacity,
                               wchar_t* resultImage = 0)
{
    resultText[0] = 0;
    wchar_t command[2 * MAX_PATH];
    FormatChecked(command, 2 * MAX_PATH, L"\"%s\" %s", exe, args);
    STARTUPINFOW si = { sizeof si };
    PROCESS_INFORMATION pi = {};
    // Inheriting, so that a handle named on the command line is really there.
    if (!CreateProcessW(0, command, 0, 0, TRUE, 0, 0, 0, &si, &pi)) {
        ok(false, "start %s: error %lu", u8(exe), GetLastError());
        return;
    }
    HWND question = 0;
    HANDLE showedResult = 0, holder = 0;
    if (answer != NO_QUESTION) {
        question = FindMessageBox(15000);
        ok(question != 0, "the question is asked");
        if (question) {
            wchar_t text[512];
            ReadBox(question, text, 512);
            ok(!lstrcmpW(text, L"确定要卸载 青禾书苑 吗？\n\n将删除程序文件、桌面与开始菜单快捷方式以及卸载信息。"),
               "question text %s", u8(text));
            ok(GetDlgItem(question, IDYES) && GetDlgItem(question, IDNO), "Yes and No buttons");
            if (g_heldAtAnswerCount) holder = HoldFiles(g_heldAtAnswer, g_heldAtAnswerCount, 2000);
            SendMessageW(GetDlgItem(question, answer == ANSWER_YES ? IDYES : IDNO), BM_CLICK, 0, 0);
        }
    }
    if (answer != ANSWER_NO) {
        // The result comes from the uninstaller or from its temporary copy.
        HWND result = 0;
        DWORD start = GetTickCount();
        while (!result && GetTickCount() - start < 15000) {
            HWND box = FindMessageBox(200);
            if (box && box != question && IsWindow(box)) result = box;
        }
        ok(result != 0, "the result is shown");
        if (result) {
            ReadBox(result, resultText, capacity);
            if (resultImage) ImageOf(result, resultImage);
            ok(!GetDlgItem(result, IDNO), "the result box asks nothing: %s", u8(resultText));
            // The box may be the temporary copy's: the run is over when that process ends too.
            DWORD shower = 0;
            GetWindowThreadProcessId(result, &shower);
            showedResult = OpenProcess(SYNCHRONIZE, FALSE, shower);
            PressOk(result);
        }
    }
    DWORD code = 99;
    bool ended = WaitForSingleObject(pi.hProcess, 15000) == WAIT_OBJECT_0;
    GetExitCodeProcess(pi.hProcess, &code);
    ok(ended && code == 0, "uninstaller ended with exit code %lu", code);
    if (!ended) TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    if (showedResult) {
        ok(WaitForSingleObject(showedResult, 15000) == WAIT_OBJECT_0, "the process that showed the result ended");
        CloseHandle(showedResult);
    }
    EndHold(holder);
    // A box nobody answered would keep a process (and Wine) alive after the test.
    for (HWND box; (box = FindMessageBox(0)) != 0;) {
        DWORD pid = 0;
        GetWindowThreadProcessId(box, &pid);
        HANDLE stuck = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
        ok(false, "a box was left open: killing process %lu", pid);
        if (stuck) { TerminateProcess(stuck, 99); CloseHandle(stuck); }
        Sleep(200);
    }
}

static void RunUninstaller(const wchar_t* exe, bool answerYes, wchar_t* resultText, int capacity, wchar_t* resultImage = 0)
{
    RunUninstallerWith(exe, L"", answerYes ? ANSWER_YES : ANSWER_NO, resultText, capacity, resultImage);
}

// Files a temporary copy left: parked copies in the temporary folder, or
// anything inside one of the private folders. An empty private folder may
// stay when the copy ends (the system still holds the copy's image when the
// folder's handle closes); the next hand-off removes it.
static int CountTemporaryCopies(int* folders = 0)
{
    wchar_t temp[MAX_PATH], pattern[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    FormatChecked(pattern, MAX_PATH, L"%stallyuninstall-*", temp);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    int count = 0;
    if (folders) *folders = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) { ++count; continue; }
            if (folders) ++*folders;
            wchar_t inner[MAX_PATH];
            FormatChecked(inner, MAX_PATH, L"%s%s\\*", temp, found.cFileName);
            WIN32_FIND_DATAW child;
            HANDLE children = FindFirstFileW(inner, &child);
            if (children == INVALID_HANDLE_VALUE) continue;
            do {
                if (lstrcmpW(child.cFileName, L".") && lstrcmpW(child.cFileName, L"..")) ++count;
            } while (FindNextFileW(children, &child));
            FindClose(children);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return count;
}

// The copy that did the work ran from a folder of its own with a name nobody
// could have guessed: %TEMP%\tallyuninstall-<16 hex digits>\tallyuninstall.exe.
static void CheckPrivateCopy(const wchar_t* image)
{
    wchar_t temp[MAX_PATH], prefix[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    FormatChecked(prefix, MAX_PATH, L"%stallyuninstall-", temp);
    int n = lstrlenW(prefix);
    bool shaped = !StrCmpNIW(image, prefix, n) && lstrlenW(image) == n + 16 + 19
               && !lstrcmpiW(image + n + 16, L"\\tallyuninstall.exe");
    for (int i = 0; shaped && i < 16; ++i) shaped = iswxdigit(image[n + i]) != 0;
    ok(shaped, "the result came from a private copy: %s", u8(image));
}

// The user's own file in the install folder survives, and so does the folder;
// the work was done by a private copy that leaves nothing behind.
static void test_uninstall_keeps_user_files()
{
    g_testContext = "uninstall keeps the user's files";
    Install in;
    Prepare(&in, L"cycle");
    ok(RunInstall(&in), "install succeeded");
    CheckInstalled(&in, true, "after install");
    wchar_t foreign[MAX_PATH], installed[MAX_PATH], text[2048];
    JoinPath(foreign, in.dir, L"我的笔记.txt");
    WriteTextFile(foreign, "the user's own file");
    JoinPath(installed, in.dir, L"tallyuninstall.exe");
    wchar_t image[MAX_PATH];
    RunUninstaller(installed, true, text, 2048, image);
    const wchar_t* expected = L"青禾书苑 已卸载。\n\n安装文件夹中还有您自己的文件，已保留该文件夹。";
    ok(!lstrcmpW(text, expected), "result\n  got      %s\n  expected %s", u8(text), u8(expected));
    CheckPrivateCopy(image);
    CheckInstalled(&in, false, "after uninstall");
    ok(FileExists(foreign), "the user's own file survives");
    ok(DirExists(in.dir), "the folder holding it survives");
    int folders = 0;
    ok(CountTemporaryCopies(&folders) == 0, "no temporary copy left behind (%d)", CountTemporaryCopies());
    ok(folders <= 1, "at most the last private folder stays, empty (%d)", folders);
    DeleteTree(in.root);
}

// After an uninstall (the folder left with a user's file in it), running the
// uninstaller again finds nothing to do, says so, and asks nothing.
static void test_nothing_installed()
{
    g_testContext = "nothing installed";
    Install in;
    Prepare(&in, L"nothing");
    wchar_t foreign[MAX_PATH], text[2048], expected[512];
    SHCreateDirectoryExW(0, in.dir, 0);
    JoinPath(foreign, in.dir, L"我的笔记.txt");
    WriteTextFile(foreign, "the user's own file");
    RunUninstallerWith(g_uninstallerExe, L"", NO_QUESTION, text, 2048);
    FormatChecked(expected, 512, L"没有在 %s 找到 青禾书苑 的安装，无需卸载。", in.dir);
    ok(!lstrcmpW(text, expected), "second uninstall\n  got      %s\n  expected %s", u8(text), u8(expected));
    ok(FileExists(foreign), "the user's own file stays");
    DeleteTree(in.root);
}

// Installing again after an uninstall works, and uninstalling a clean
// install removes its folder too, but not the folder above it.
static void test_reinstall_then_clean_uninstall()
{
    g_testContext = "reinstall, clean uninstall";
    Install in;
    Prepare(&in, L"reinstall");
    wchar_t installed[MAX_PATH], text[2048];
    JoinPath(installed, in.dir, L"tallyuninstall.exe");
    ok(RunInstall(&in), "install succeeded");
    RunUninstaller(installed, true, text, 2048);
    ok(RunInstall(&in), "install again");
    CheckInstalled(&in, true, "after reinstall");
    // A scanner reads the program and the page just as they are to go.
    wchar_t launcher[MAX_PATH], page[MAX_PATH];
    JoinPath(launcher, in.dir, L"tallybook.exe");
    JoinPath(page, in.dir, L"index.html");
    const wchar_t* held[] = { launcher, page };
    g_heldAtAnswer = held;
    g_heldAtAnswerCount = 2;
    RunUninstaller(installed, true, text, 2048);
    g_heldAtAnswerCount = 0;
    ok(!lstrcmpW(text, L"青禾书苑 已卸载。"), "result\n  got      %s\n  expected 青禾书苑 已卸载。", u8(text));
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
    JoinPath(installed, in.dir, L"tallyuninstall.exe");
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
    JoinPath(launcher, in.dir, L"tallybook.exe");
    JoinPath(page, in.dir, L"index.html");
    JoinPath(installed, in.dir, L"tallyuninstall.exe");
    HANDLE held = CreateFileW(launcher, GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0);
    ok(held != INVALID_HANDLE_VALUE, "launcher held open");
    RunUninstaller(installed, true, text, 2048);
    ok(wcsstr(text, launcher) != 0, "result names what is left: %s", u8(text));
    ok(FileExists(launcher), "the locked launcher stays");
    ok(!FileExists(page), "the page is removed");
    ok(FileExists(installed) && RegistryKeyExists(TEST_UNINSTALL_KEY), "the uninstaller and its entry stay for another try");
    ok(CountTemporaryCopies() == 0, "no temporary copy left behind");
    CloseHandle(held);

    // Once the launcher is free, the uninstaller beside it finishes the job.
    RunUninstaller(installed, true, text, 2048);
    ok(wcsstr(text, L"已卸载") != 0, "retry result: %s", u8(text));
    CheckInstalled(&in, false, "after the retry");
    DeleteTree(in.root);
}

// The user's own files, somewhere outside the install, and their snapshot.
struct UserFiles {
    wchar_t dir[MAX_PATH];
    wchar_t thesis[MAX_PATH];
    char before[SNAPSHOT_CAPACITY];
};

static void MakeUserFiles(Install* in, UserFiles* user)
{
    JoinPath(user->dir, in->root, L"My Documents");
    CreateDirectoryW(user->dir, 0);
    JoinPath(user->thesis, user->dir, L"thesis.txt");
    WriteTextFile(user->thesis, "第一章 数论初步：素数有无穷多个。");
    wchar_t other[MAX_PATH];
    JoinPath(other, user->dir, L"index.html");
    WriteTextFile(other, "<p>my own page</p>");
    JoinPath(other, user->dir, L"tallybook.exe");
    WriteTextFile(other, "not a program");
    SnapshotTree(user->dir, user->before);
}

static void CheckUserFiles(UserFiles* user, const char* when)
{
    static char after[SNAPSHOT_CAPACITY];
    SnapshotTree(user->dir, after);
    ok(!strcmp(user->before, after), "%s: the user's files are unchanged\n  before:\n%s  after:\n%s", when, user->before, after);
}

// The temporary copy's old, predictable names: %TEMP%\tallyuninstall-<pid>.exe
// (Wine's process ids go in steps of 4), for pids 4 to 2048.
static void OldCopyName(int pid, wchar_t* out)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    FormatChecked(out, MAX_PATH, L"%stallyuninstall-%d.exe", temp, pid);
}

// Those names taken by hard links and a symbolic link to a user's file: the
// uninstall must neither write through them nor trip over them.
static void test_links_at_old_copy_names()
{
    g_testContext = "links at the old copy names";
    Install in;
    Prepare(&in, L"planted");
    ok(RunInstall(&in), "install succeeded");
    UserFiles user;
    MakeUserFiles(&in, &user);
    wchar_t planted[MAX_PATH], installed[MAX_PATH], text[2048];
    int links = 0;
    for (int pid = 8; pid <= 2048; pid += 4) {
        OldCopyName(pid, planted);
        links += CreateHardLinkW(planted, user.thesis, 0) ? 1 : 0;
    }
    ok(links == 511, "hard links planted: %d of 511", links);
    OldCopyName(4, planted);
    MakeSymbolicLink(user.thesis, planted);
    SnapshotTree(user.dir, user.before);  // the link count of thesis.txt is not its content
    JoinPath(installed, in.dir, L"tallyuninstall.exe");
    RunUninstaller(installed, true, text, 2048);
    ok(!lstrcmpW(text, L"青禾书苑 已卸载。"), "result with links planted: %s", u8(text));
    CheckInstalled(&in, false, "after uninstall with links planted");
    CheckUserFiles(&user, "links planted");
    for (int pid = 8; pid <= 2048; pid += 4) {
        OldCopyName(pid, planted);
        DeleteFileW(planted);
    }
    OldCopyName(4, planted);
    RemoveSymbolicLink(planted);
    DeleteTree(in.root);
}

// Those names taken by folders: the uninstall goes through as usual.
static void test_folders_at_old_copy_names()
{
    g_testContext = "folders at the old copy names";
    Install in;
    Prepare(&in, L"plantdirs");
    ok(RunInstall(&in), "install succeeded");
    UserFiles user;
    MakeUserFiles(&in, &user);
    wchar_t planted[MAX_PATH], installed[MAX_PATH], text[2048];
    for (int pid = 4; pid <= 2048; pid += 4) {
        OldCopyName(pid, planted);
        CreateDirectoryW(planted, 0);
    }
    JoinPath(installed, in.dir, L"tallyuninstall.exe");
    RunUninstaller(installed, true, text, 2048);
    ok(!lstrcmpW(text, L"青禾书苑 已卸载。"), "result with folders planted: %s", u8(text));
    CheckInstalled(&in, false, "after uninstall with folders planted");
    ok(!DirExists(in.dir), "the install folder went with its uninstaller");
    for (int pid = 4; pid <= 2048; pid += 4) {
        OldCopyName(pid, planted);
        RemoveDirectoryW(planted);
    }
    CheckUserFiles(&user, "folders planted");
    DeleteTree(in.root);
}

// A backup copy of the install folder is not the install: its uninstaller
// says where the install is and removes nothing, neither the backup nor the install.
static void test_backup_copy()
{
    g_testContext = "backup copy";
    Install in;
    Prepare(&in, L"backup");
    ok(RunInstall(&in), "install succeeded");
    wchar_t backup[MAX_PATH], text[2048], expected[1024];
    FormatChecked(backup, MAX_PATH, L"%s\\备份 2026\\Tallybook", in.root);
    SHCreateDirectoryExW(0, backup, 0);
    const wchar_t* names[] = { L"tallybook.exe", L"index.html", L"tallyuninstall.exe" };
    for (const wchar_t* name : names) {
        wchar_t from[MAX_PATH], to[MAX_PATH];
        JoinPath(from, in.dir, name);
        JoinPath(to, backup, name);
        CopyFileW(from, to, FALSE);
    }
    char backupBefore[SNAPSHOT_CAPACITY], installBefore[SNAPSHOT_CAPACITY];
    static char after[SNAPSHOT_CAPACITY];
    SnapshotTree(backup, backupBefore);
    SnapshotTree(in.dir, installBefore);
    wchar_t backupUninstaller[MAX_PATH];
    JoinPath(backupUninstaller, backup, L"tallyuninstall.exe");
    RunUninstallerWith(backupUninstaller, L"", NO_QUESTION, text, 2048);
    FormatChecked(expected, 1024,
                  L"这个 tallyuninstall.exe 不是已安装的卸载程序，没有删除任何内容。\n\n"
                  L"青禾书苑 安装在：\n%s\n\n如需卸载，请运行该文件夹中的 tallyuninstall.exe。", in.dir);
    ok(!lstrcmpW(text, expected), "backup's uninstaller\n  got      %s\n  expected %s", u8(text), u8(expected));
    SnapshotTree(backup, after);
    ok(!strcmp(after, backupBefore), "the backup is intact:\n%s", after);
    SnapshotTree(in.dir, after);
    ok(!strcmp(after, installBefore), "the install is intact:\n%s", after);
    CheckInstalled(&in, true, "after the backup's uninstaller");
    RemoveInstallTraces();
    DeleteTree(in.root);
}

// The finishing step, started by hand with any arguments, deletes nothing.
static void test_finish_by_hand()
{
    g_testContext = "--finish by hand";
    Install in;
    Prepare(&in, L"finish");
    ok(RunInstall(&in), "install succeeded");
    UserFiles user;
    MakeUserFiles(&in, &user);
    char installBefore[SNAPSHOT_CAPACITY];
    static char after[SNAPSHOT_CAPACITY];
    SnapshotTree(in.dir, installBefore);
    wchar_t installed[MAX_PATH], args[MAX_PATH + 32], text[2048];
    JoinPath(installed, in.dir, L"tallyuninstall.exe");
    // A real handle this time: of the test itself, which is the parent but not the uninstaller.
    HANDLE self = 0;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                    SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0);
    wchar_t selfArgs[64];
    FormatPath(selfArgs, L"--finish %lu", (DWORD)(ULONG_PTR)self);
    FormatChecked(args, MAX_PATH + 32, L"--finish 0 \"%s\"", user.dir);
    const wchar_t* tries[] = { args, L"--finish 0", L"--finish 1234", L"--finish", selfArgs };
    const wchar_t* exes[] = { installed, g_uninstallerExe };
    for (const wchar_t* exe : exes) {
        for (const wchar_t* tried : tries) {
            RunUninstallerWith(exe, tried, NO_QUESTION, text, 2048);
            ok(!lstrcmpW(text, L"没有删除任何内容：卸载只能由安装文件夹中的 tallyuninstall.exe 开始。"),
               "%s %s: %s", u8(exe), u8(tried), u8(text));
        }
    }
    CloseHandle(self);
    CheckUserFiles(&user, "after --finish by hand");
    SnapshotTree(in.dir, after);
    ok(!strcmp(after, installBefore), "the install is intact:\n%s", after);
    CheckInstalled(&in, true, "after --finish by hand");
    RunUninstaller(installed, true, text, 2048);  // clean up
    DeleteTree(in.root);
}

// The install folder replaced by a link to another folder: nothing there is
// removed, though it holds files with the product's names.
static void test_linked_install_folder()
{
    g_testContext = "linked install folder";
    Install in;
    Prepare(&in, L"linkdir");
    ok(RunInstall(&in), "install succeeded");
    wchar_t other[MAX_PATH], text[2048], expected[1024], installed[MAX_PATH];
    JoinPath(other, in.root, L"other");
    ok(MoveFileW(in.dir, other), "install folder moved to %s", u8(other));
    if (!MakeSymbolicLink(other, in.dir)) { DeleteTree(in.root); return; }
    char before[SNAPSHOT_CAPACITY];
    static char after[SNAPSHOT_CAPACITY];
    SnapshotTree(other, before);
    JoinPath(installed, in.dir, L"tallyuninstall.exe");
    RunUninstallerWith(installed, L"", NO_QUESTION, text, 2048);
    FormatChecked(expected, 1024, L"安装文件夹 %s 是一个链接，为保护它指向的文件，没有删除任何内容。", in.dir);
    ok(!lstrcmpW(text, expected), "linked folder\n  got      %s\n  expected %s", u8(text), u8(expected));
    SnapshotTree(other, after);
    ok(!strcmp(after, before), "the linked folder is intact:\n%s", after);
    ok(RegistryKeyExists(TEST_UNINSTALL_KEY), "the uninstall entry stays");
    RemoveInstallTraces();
    RemoveSymbolicLink(in.dir);
    DeleteTree(in.root);
}

// Files in the install folder that are links, or another name of a user's
// file: left alone and reported, and the rest is removed.
static void test_linked_files()
{
    g_testContext = "linked files";
    Install in;
    Prepare(&in, L"linkfiles");
    ok(RunInstall(&in), "install succeeded");
    UserFiles user;
    MakeUserFiles(&in, &user);
    wchar_t page[MAX_PATH], launcher[MAX_PATH], installed[MAX_PATH], text[2048];
    JoinPath(page, in.dir, L"index.html");
    JoinPath(launcher, in.dir, L"tallybook.exe");
    JoinPath(installed, in.dir, L"tallyuninstall.exe");
    wchar_t userPage[MAX_PATH], userProgram[MAX_PATH];
    JoinPath(userPage, user.dir, L"index.html");
    JoinPath(userProgram, user.dir, L"tallybook.exe");
    DeleteFileW(page);
    MakeSymbolicLink(userPage, page);
    DeleteFileW(launcher);
    ok(CreateHardLinkW(launcher, userProgram, 0), "hard link at %s", u8(launcher));
    SnapshotTree(user.dir, user.before);
    RunUninstaller(installed, true, text, 2048);
    ok(wcsstr(text, L"青禾书苑 已卸载。") == text, "result: %s", u8(text));
    ok(wcsstr(text, L"链接") && wcsstr(text, page) && wcsstr(text, launcher), "both links reported: %s", u8(text));
    CheckUserFiles(&user, "links in the install folder");
    ok(GetFileAttributesW(page) != INVALID_FILE_ATTRIBUTES && FileExists(launcher), "the links themselves stay");
    ok(!FileExists(installed), "the uninstaller is removed");
    wchar_t desktop[MAX_PATH], startFolder[MAX_PATH], startLink[MAX_PATH];
    InstalledShortcutPaths(desktop, startFolder, startLink);
    ok(!FileExists(desktop) && !FileExists(startLink), "the shortcuts are removed");
    ok(!RegistryKeyExists(TEST_PRODUCT_KEY) && !RegistryKeyExists(TEST_UNINSTALL_KEY), "the registry keys are removed");
    RemoveSymbolicLink(page);
    DeleteTree(in.root);
}

// A shortcut or key of the product's name that names another install stays.
static void test_foreign_shortcut_and_keys()
{
    g_testContext = "another install's entries";
    Install in;
    Prepare(&in, L"foreign");
    ok(RunInstall(&in), "install succeeded");
    wchar_t desktop[MAX_PATH], startFolder[MAX_PATH], startLink[MAX_PATH], installed[MAX_PATH], text[2048];
    InstalledShortcutPaths(desktop, startFolder, startLink);
    // The desktop shortcut is replaced by one to a program elsewhere.
    IShellLinkW* link = 0;
    CoCreateInstance(CLSID_ShellLink, 0, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link);
    IPersistFile* persist = 0;
    if (link && SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&persist))) {
        link->SetPath(L"D:\\Portable\\Tallybook\\tallybook.exe");
        persist->Save(desktop, TRUE);
        persist->Release();
    }
    if (link) link->Release();
    HKEY key;
    RegOpenKeyExW(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_SET_VALUE, &key);
    RegSetValueExW(key, L"InstallPath", 0, REG_SZ, (const BYTE*)L"D:\\Portable\\Tallybook", sizeof L"D:\\Portable\\Tallybook");
    RegCloseKey(key);
    DWORD before = 0;
    unsigned char* shortcut = ReadWholeFile(desktop, &before);
    JoinPath(installed, in.dir, L"tallyuninstall.exe");
    RunUninstaller(installed, true, text, 2048);
    ok(!lstrcmpW(text, L"青禾书苑 已卸载。"), "result: %s", u8(text));
    DWORD after = 0;
    unsigned char* still = ReadWholeFile(desktop, &after);
    ok(still && after == before && !memcmp(still, shortcut, after), "the other install's shortcut stays as it was");
    ok(RegistryKeyExists(TEST_PRODUCT_KEY), "the product key naming another folder stays");
    ok(!FileExists(startLink) && !RegistryKeyExists(TEST_UNINSTALL_KEY), "this install's own entries go");
    if (shortcut) HeapFree(GetProcessHeap(), 0, shortcut);
    if (still) HeapFree(GetProcessHeap(), 0, still);
    RemoveInstallTraces();
    DeleteTree(in.root);
}

// Which reparse points are links: the tags that name another place. Cloud
// files (OneDrive's backed-up Desktop) and deduplicated files are ordinary
// files; Wine can make neither, so the rule is checked on the tags themselves.
static void test_link_tags()
{
    g_testContext = "reparse tags";
    struct { DWORD tag; BOOL link; const char* what; } tags[] = {
        { 0xA000000C, TRUE, "symbolic link" },
        { 0xA0000003, TRUE, "junction or mount point" },
        { 0xA000001D, TRUE, "WSL symbolic link" },
        { 0x9000001A, FALSE, "cloud file" },
        { 0x9000301A, FALSE, "cloud file (OneDrive)" },
        { 0x80000013, FALSE, "deduplicated file" },
    };
    for (auto& t : tags)
        ok(IsLinkReparseTag(t.tag) == t.link, "%s (0x%08lx): got %s, expected %s", t.what, t.tag,
           IsLinkReparseTag(t.tag) ? "link" : "file", t.link ? "link" : "file");
}

// The install folder swapped for a link to a user's folder after it was
// checked: the files there are not removed. (Windows refuses the rename while
// the folder is held; Wine allows it, which lets the test make the swap.)
static void test_folder_swapped_for_link()
{
    g_testContext = "install folder swapped for a link";
    wchar_t root[MAX_PATH], dir[MAX_PATH], user[MAX_PATH], userFile[MAX_PATH], resolved[MAX_PATH];
    MakeTempDir(L"swapped", root);
    JoinPath(dir, root, L"Tallybook");
    JoinPath(user, root, L"My Programs");
    CreateDirectoryW(dir, 0);
    BOOL linked = TRUE;
    HANDLE held = HoldFolder(dir, resolved, &linked);
    ok(held != INVALID_HANDLE_VALUE && !linked, "folder held (linked %d)", linked);
    ok(!wcsncmp(resolved, L"C:\\", 3) && !StrCmpIW(resolved + lstrlenW(resolved) - 10, L"\\Tallybook"),
       "resolved without the \\\\?\\ prefix: %s", u8(resolved));
    if (MoveFileW(dir, user)) {
        JoinPath(userFile, user, L"tallybook.exe");
        WriteTextFile(userFile, "the user's program");
        ok(MakeSymbolicLink(user, dir), "link in the folder's place");
        ok(RemoveOwnFile(dir, resolved, L"tallybook.exe") == ITEM_LINKED, "the file through the link is left as linked");
        ok(FileExists(userFile), "the user's file stays");
        RemoveSymbolicLink(dir);
    }
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    DeleteTree(root);
}

// The temporary folder unusable: the uninstaller can't hand off, removes all
// but its own file, its folder and its entry, says so, and can be run again.
static void test_temp_unusable()
{
    g_testContext = "temporary folder unusable";
    Install in;
    Prepare(&in, L"notemp");
    ok(RunInstall(&in), "install succeeded");
    wchar_t installed[MAX_PATH], missing[MAX_PATH], text[2048], expected[1024];
    wchar_t savedTmp[MAX_PATH] = L"", savedTemp[MAX_PATH] = L"";
    JoinPath(installed, in.dir, L"tallyuninstall.exe");
    JoinPath(missing, in.root, L"no such folder");
    GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH);
    GetEnvironmentVariableW(L"TEMP", savedTemp, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", missing);
    SetEnvironmentVariableW(L"TEMP", missing);
    RunUninstaller(installed, true, text, 2048);
    SetEnvironmentVariableW(L"TMP", savedTmp[0] ? savedTmp : 0);
    SetEnvironmentVariableW(L"TEMP", savedTemp[0] ? savedTemp : 0);
    FormatChecked(expected, 1024,
                  L"青禾书苑 的程序文件和快捷方式已删除。\n\n"
                  L"临时文件夹不可用，卸载程序无法删除自身，以下项目仍然保留：\n  %s\n"
                  L"  Windows 程序列表中的 青禾书苑 卸载项\n\n"
                  L"临时文件夹（%%TEMP%%）可用后，再次运行卸载即可删除它们。", installed);
    ok(!lstrcmpW(text, expected), "result\n  got      %s\n  expected %s", u8(text), u8(expected));
    wchar_t launcher[MAX_PATH], page[MAX_PATH], desktop[MAX_PATH], startFolder[MAX_PATH], startLink[MAX_PATH];
    JoinPath(launcher, in.dir, L"tallybook.exe");
    JoinPath(page, in.dir, L"index.html");
    InstalledShortcutPaths(desktop, startFolder, startLink);
    ok(!FileExists(launcher) && !FileExists(page), "the program files are removed");
    ok(!FileExists(desktop) && !FileExists(startLink), "the shortcuts are removed");
    ok(!RegistryKeyExists(TEST_PRODUCT_KEY), "the product key is removed");
    ok(FileExists(installed), "the uninstaller stays");
    wchar_t command[MAX_PATH + 2] = L"";
    DWORD type = 0, size = sizeof command - sizeof(wchar_t);
    ReadRegValue(TEST_UNINSTALL_KEY, L"UninstallString", &type, command, &size);
    wchar_t quoted[MAX_PATH + 2];
    FormatPath(quoted, L"\"%s\"", installed);
    ok(!lstrcmpiW(command, quoted), "the entry stays and runs it: %s", u8(command));

    // With the temporary folder back, Windows' list finishes the job.
    RunUninstaller(installed, true, text, 2048);
    ok(!lstrcmpW(text, L"青禾书苑 已卸载。"), "second run: %s", u8(text));
    CheckInstalled(&in, false, "after the second run");
    ok(!DirExists(in.dir), "the install folder is removed");
    DeleteTree(in.root);
}

// Shows a running copy's message box and keeps the copy waiting on it.
static bool StartWaitingCopy(const wchar_t* exe, PROCESS_INFORMATION* pi)
{
    wchar_t command[MAX_PATH + 16];
    FormatPath(command, L"\"%s\" --finish", exe);
    STARTUPINFOW si = { sizeof si };
    if (!CreateProcessW(exe, command, 0, 0, FALSE, 0, 0, 0, &si, pi)) return false;
    for (int i = 0; i < 150; ++i) {
        if (FindWindowOf(pi->dwProcessId, L"#32770", 0)) return true;
        Sleep(100);
    }
    return false;
}

// Earlier hand-off folders: only those holding nothing, or an idle copy of
// the uninstaller, go; a running copy, a user's file, a second name of a
// user's file, a link and a folder not named as ours stay.
static void test_stale_private_folders()
{
    g_testContext = "earlier hand-off folders";
    wchar_t root[MAX_PATH], temp[MAX_PATH], path[MAX_PATH], file[MAX_PATH], user[MAX_PATH], userCopy[MAX_PATH];
    MakeTempDir(L"stalefolders", root);
    FormatPath(temp, L"%s\\", root);
    const wchar_t* names[] = { L"tallyuninstall-0000000000000001", L"tallyuninstall-0000000000000002",
                               L"tallyuninstall-0000000000000003", L"tallyuninstall-0000000000000004",
                               L"tallyuninstall-0000000000000005", L"tallyuninstall-0000000000000007",
                               L"tallyuninstall-notours" };
    for (const wchar_t* name : names) { JoinPath(path, root, name); CreateDirectoryW(path, 0); }
    JoinPath(user, root, L"user");
    CreateDirectoryW(user, 0);
    JoinPath(userCopy, user, L"tallyuninstall.exe");
    CopyFileW(g_uninstallerExe, userCopy, FALSE);
    FormatPath(file, L"%s\\tallyuninstall-0000000000000002\\tallyuninstall.exe", root);
    CopyFileW(g_uninstallerExe, file, FALSE);
    FormatPath(file, L"%s\\tallyuninstall-0000000000000003\\tallyuninstall.exe", root);
    CopyFileW(g_uninstallerExe, file, FALSE);
    PROCESS_INFORMATION running = {};
    ok(StartWaitingCopy(file, &running), "a copy runs in tallyuninstall-…0003");
    FormatPath(file, L"%s\\tallyuninstall-0000000000000004\\我的笔记.txt", root);
    WriteTextFile(file, "the user's own");
    FormatPath(file, L"%s\\tallyuninstall-0000000000000005\\tallyuninstall.exe", root);
    CopyFileW(g_uninstallerExe, file, FALSE);
    FormatPath(file, L"%s\\tallyuninstall-0000000000000005\\readme.txt", root);
    WriteTextFile(file, "the user's own");
    FormatPath(file, L"%s\\tallyuninstall-0000000000000007\\tallyuninstall.exe", root);
    ok(CreateHardLinkW(file, userCopy, 0), "a second name of the user's file in tallyuninstall-…0007");
    JoinPath(path, root, L"tallyuninstall-0000000000000006");
    ok(MakeSymbolicLink(user, path), "a link tallyuninstall-…0006 to the user's folder");
    char before[SNAPSHOT_CAPACITY];
    static char after[SNAPSHOT_CAPACITY];
    SnapshotTree(user, before);

    RemoveStalePrivateFolders(temp);
    struct { const wchar_t* name; bool stays; } expect[] = {
        { L"tallyuninstall-0000000000000001", false }, { L"tallyuninstall-0000000000000002", false },
        { L"tallyuninstall-0000000000000003", true },  { L"tallyuninstall-0000000000000004", true },
        { L"tallyuninstall-0000000000000005", true },  { L"tallyuninstall-0000000000000006", true },
        { L"tallyuninstall-0000000000000007", true },  { L"tallyuninstall-notours", true },
    };
    for (auto& e : expect) {
        JoinPath(path, root, e.name);
        ok((GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) == e.stays, "%s %s", u8(e.name), e.stays ? "stays" : "goes");
    }
    FormatPath(file, L"%s\\tallyuninstall-0000000000000003\\tallyuninstall.exe", root);
    ok(FileExists(file), "the running copy's file stays");
    FormatPath(file, L"%s\\tallyuninstall-0000000000000005\\tallyuninstall.exe", root);
    ok(FileExists(file), "a copy beside a user's file stays");
    SnapshotTree(user, after);
    ok(!strcmp(before, after), "the linked folder is unchanged\n  before:\n%s  after:\n%s", before, after);

    if (running.hProcess) {
        TerminateProcess(running.hProcess, 0);
        WaitForSingleObject(running.hProcess, 5000);
        CloseHandle(running.hProcess);
        CloseHandle(running.hThread);
    }
    JoinPath(path, root, L"tallyuninstall-0000000000000006");
    RemoveSymbolicLink(path);
    DeleteTree(root);
}

// Names in the temporary folder, but for the hand-off folders: one per line.
static void ListTemporaryFolder(char* out, int capacity)
{
    wchar_t temp[MAX_PATH], pattern[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    FormatPath(pattern, L"%s*", temp);
    out[0] = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (StrCmpNIW(found.cFileName, L"tallyuninstall-", 15))
            _snprintf(out + strlen(out), capacity - strlen(out), "%s\n", u8(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// Install and uninstall, three times: at most one hand-off folder of ours stays
// in the temporary folder, and nothing else changes in the user's folders.
static void test_three_cycles()
{
    g_testContext = "three cycles";
    Install in;
    Prepare(&in, L"cycles");
    wchar_t desktop[MAX_PATH], startFolder[MAX_PATH], startLink[MAX_PATH], programs[MAX_PATH], installed[MAX_PATH];
    InstalledShortcutPaths(desktop, startFolder, startLink);
    lstrcpyW(programs, startFolder);
    *wcsrchr(programs, L'\\') = 0;
    *wcsrchr(desktop, L'\\') = 0;
    static char tempBefore[8192], tempAfter[8192], desktopBefore[SNAPSHOT_CAPACITY], programsBefore[SNAPSHOT_CAPACITY],
        localBefore[SNAPSHOT_CAPACITY], after[SNAPSHOT_CAPACITY];
    CreateDirectoryW(in.local, 0);
    ListTemporaryFolder(tempBefore, sizeof tempBefore);
    SnapshotTree(desktop, desktopBefore);
    SnapshotTree(programs, programsBefore);
    SnapshotTree(in.local, localBefore);
    JoinPath(installed, in.dir, L"tallyuninstall.exe");
    wchar_t text[2048];
    for (int cycle = 1; cycle <= 3; ++cycle) {
        ok(RunInstall(&in), "cycle %d: install", cycle);
        RunUninstaller(installed, true, text, 2048);
        ok(!lstrcmpW(text, L"青禾书苑 已卸载。"), "cycle %d: %s", cycle, u8(text));
    }
    int folders = 0;
    int files = CountTemporaryCopies(&folders);
    ok(folders <= 1, "hand-off folders in the temporary folder: %d, expected at most 1", folders);
    ok(files == 0, "files left in them: %d", files);
    ListTemporaryFolder(tempAfter, sizeof tempAfter);
    ok(!strcmp(tempBefore, tempAfter), "the temporary folder holds what it held\n  before:\n%s  after:\n%s", tempBefore, tempAfter);
    SnapshotTree(desktop, after);
    ok(!strcmp(desktopBefore, after), "the desktop is as it was:\n%s", after);
    SnapshotTree(programs, after);
    ok(!strcmp(programsBefore, after), "the Start menu is as it was:\n%s", after);
    SnapshotTree(in.local, after);
    ok(!strcmp(localBefore, after), "the local application-data folder is as it was:\n%s", after);
    DeleteTree(in.root);
}

// Every base-folder length the setup accepts: each install the setup reports
// whole is removed by its uninstaller; one character more and nothing is installed.
static void test_long_bases()
{
    g_testContext = "long base folders";
    for (int n = 220; n <= 231; ++n) {
        Install in;
        Prepare(&in, L"longbase");
        wchar_t base[MAX_PATH + 8], text[2048];
        if (!MakeFolderOfLength(in.root, n, base)) { ok(false, "base folder of %d characters", n); continue; }
        lstrcpyW(in.local, base);
        FormatPath(in.dir, L"%s\\Tallybook", base);
        SetEnvironmentVariableW(L"LOCALAPPDATA", base);
        bool installed = RunInstall(&in);
        ok(installed == (n <= 230), "base of %d characters: install %s", n, installed ? "succeeded" : "failed");
        if (installed) {
            wchar_t uninstaller[MAX_PATH];
            JoinPath(uninstaller, in.dir, L"tallyuninstall.exe");
            RunUninstaller(uninstaller, true, text, 2048);
            ok(!lstrcmpW(text, L"青禾书苑 已卸载。"), "base of %d characters: %s", n, u8(text));
            CheckInstalled(&in, false, "after uninstall");
        } else {
            ok(!DirExists(in.dir) && !RegistryKeyExists(TEST_UNINSTALL_KEY), "base of %d characters: nothing installed", n);
        }
        RemoveInstallTraces();
        DeleteDeepTree(in.root);
    }
}

// One install and uninstall, run by handoff_order.py with Wine's call trace on.
static void test_traced_uninstall()
{
    g_testContext = "traced uninstall";
    Install in;
    Prepare(&in, L"traced");
    ok(RunInstall(&in), "install succeeded");
    wchar_t installed[MAX_PATH], text[2048];
    JoinPath(installed, in.dir, L"tallyuninstall.exe");
    RunUninstaller(installed, true, text, 2048);
    ok(!lstrcmpW(text, L"青禾书苑 已卸载。"), "result: %s", u8(text));
    DeleteTree(in.root);
}

// The setup alone in its folder: what Windows' list of programs runs, the
// registered command, removes the install.
static void test_registered_command()
{
    g_testContext = "registered command";
    Install in;
    Prepare(&in, L"alone");
    ok(RunInstall(&in), "install from a folder holding nothing else succeeded");
    CheckInstalled(&in, true, "after install");
    wchar_t command[2 * MAX_PATH] = L"", expected[2 * MAX_PATH];
    DWORD type = 0, size = sizeof command - sizeof(wchar_t);
    LONG status = ReadRegValue(TEST_UNINSTALL_KEY, L"UninstallString", &type, command, &size);
    FormatChecked(expected, 2 * MAX_PATH, L"\"%s\\tallyuninstall.exe\"", in.dir);
    ok(status == ERROR_SUCCESS && type == REG_SZ && !lstrcmpW(command, expected),
       "UninstallString: status %ld type %lu\n  got      %s\n  expected %s", status, type, u8(command), u8(expected));
    // The command names a file that is there, quoted as a whole.
    int n = lstrlenW(command);
    if (n > 2 && command[0] == L'"' && command[n - 1] == L'"') {
        wchar_t exe[MAX_PATH];
        command[n - 1] = 0;
        FormatChecked(exe, MAX_PATH, L"%s", command + 1);
        ok(FileExists(exe), "the registered uninstaller %s exists", u8(exe));
        wchar_t text[2048];
        RunUninstaller(exe, true, text, 2048);
        ok(!lstrcmpW(text, L"青禾书苑 已卸载。"), "result: %s", u8(text));
    }
    CheckInstalled(&in, false, "after the registered command");
    ok(!DirExists(in.dir), "install folder removed");
    RemoveInstallTraces();
    DeleteTree(in.root);
}

int wmain(int argc, wchar_t** argv)
{
    if (argc == 2 && !lstrcmpW(argv[1], L"install")) return install_child();
    if (argc < 2) { printf("usage: test_uninstall <tallyuninstall.exe> [long|traced]\n"); return 2; }
    ArgToWindowsPath(argv[1], g_uninstallerExe);
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    if (argc == 3 && !lstrcmpW(argv[2], L"long")) {
        test_long_bases();
        return test_summary("uninstaller, long base folders");
    }
    if (argc == 3 && !lstrcmpW(argv[2], L"traced")) {
        test_traced_uninstall();
        return test_summary("uninstaller, traced");
    }
    test_link_tags();
    test_folder_swapped_for_link();
    test_stale_private_folders();
    test_temp_unusable();
    test_three_cycles();
    test_uninstall_keeps_user_files();
    test_nothing_installed();
    test_reinstall_then_clean_uninstall();
    test_answer_no();
    test_locked_launcher();
    test_links_at_old_copy_names();
    test_folders_at_old_copy_names();
    test_backup_copy();
    test_finish_by_hand();
    test_linked_install_folder();
    test_linked_files();
    test_foreign_shortcut_and_keys();
    test_registered_command();
    return test_summary("uninstaller");
}
