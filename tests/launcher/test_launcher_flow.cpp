// tallybook.exe run as a user runs it: copies of it in folders of our own,
// recorder programs at the browser paths (each logs to "<itself>.log"), and
// the environment variables the candidates expand set to folders of the test.
// Wine, like Windows, sets %ProgramFiles% afresh in every new process, so the
// recorders for that folder go into the test prefix's real one and are removed again.
#include "../support/ok.h"
#include "../support/window_probe.h"
#include <shlobj.h>

static wchar_t g_launcherExe[MAX_PATH];
static wchar_t g_programFiles[MAX_PATH];
static wchar_t g_recorderExe[MAX_PATH];
static unsigned char* g_page;
static DWORD g_pageSize;

static const wchar_t EDGE_TAIL[] = L"Microsoft\\Edge\\Application\\msedge.exe";
static const wchar_t CHROME_TAIL[] = L"Google\\Chrome\\Application\\chrome.exe";
static const char SWITCHES[] = " --window-size=1260,880 --no-first-run --no-default-browser-check";

struct Bed {
    wchar_t root[MAX_PATH];
    wchar_t programFiles[MAX_PATH];
    wchar_t programFilesX86[MAX_PATH];
    wchar_t local[MAX_PATH];
    wchar_t temp[MAX_PATH];
};

// A fresh tree and the environment the launcher will inherit.
static void MakeBed(Bed* bed, const wchar_t* tag)
{
    MakeTempDir(tag, bed->root);
    lstrcpyW(bed->programFiles, g_programFiles);
    FormatPath(bed->programFilesX86, L"%s\\pf86", bed->root);
    FormatPath(bed->local, L"%s\\local", bed->root);
    FormatPath(bed->temp, L"%s\\tmp\\", bed->root);
    CreateDirectoryW(bed->programFilesX86, 0);
    SHCreateDirectoryExW(0, bed->temp, 0);
    SetEnvironmentVariableW(L"ProgramFiles(x86)", bed->programFilesX86);
    SetEnvironmentVariableW(L"LOCALAPPDATA", bed->local);
    SetEnvironmentVariableW(L"TMP", bed->temp);
    SetEnvironmentVariableW(L"TEMP", bed->temp);
    SetEnvironmentVariableW(L"TALLY_RECORD_FILE", 0);
}

static void EndBed(Bed* bed)
{
    wchar_t path[MAX_PATH];
    FormatPath(path, L"%s\\Microsoft\\Edge", bed->programFiles);
    DeleteTree(path);
    FormatPath(path, L"%s\\Microsoft", bed->programFiles);
    RemoveDirectoryW(path);  // only when we made it and it is empty again
    FormatPath(path, L"%s\\Google", bed->programFiles);
    DeleteTree(path);
    // The test's own temporary folder again, so later beds land beside this one.
    SetEnvironmentVariableW(L"TMP", 0);
    SetEnvironmentVariableW(L"TEMP", 0);
    wchar_t parent[MAX_PATH];
    lstrcpyW(parent, bed->root);
    *wcsrchr(parent, L'\\') = 0;
    SetEnvironmentVariableW(L"TMP", parent);
    SetEnvironmentVariableW(L"TEMP", parent);
    DeleteTree(bed->root);
}

static void PlaceRecorder(const wchar_t* base, const wchar_t* tail, wchar_t* path)
{
    FormatChecked(path, MAX_PATH, L"%s\\%s", base, tail);
    wchar_t dir[MAX_PATH];
    lstrcpyW(dir, path);
    *wcsrchr(dir, L'\\') = 0;
    SHCreateDirectoryExW(0, dir, 0);
    ok(CopyFileW(g_recorderExe, path, FALSE), "recorder placed at %s", u8(path));
}

static void PlaceLauncher(const wchar_t* dir, const wchar_t* name, wchar_t* path)
{
    SHCreateDirectoryExW(0, dir, 0);
    FormatChecked(path, MAX_PATH, L"%s\\%s", dir, name);
    ok(CopyFileW(g_launcherExe, path, FALSE), "launcher copied to %s", u8(path));
}

static void RunLauncher(const wchar_t* exe)
{
    wchar_t command[MAX_PATH + 8];
    FormatPath(command, L"\"%s\"", exe);
    int code = RunAndWait(command, 20000);
    ok(code == 0, "launcher exit code %d", code);
}

// The recorder's log once it has written, after a pause that a second start would fill.
static char* WaitForLog(const wchar_t* program, DWORD waitMs)
{
    wchar_t log[MAX_PATH];
    FormatPath(log, L"%s.log", program);
    for (DWORD waited = 0; waited < waitMs && !FileExists(log); waited += 100) Sleep(100);
    if (!FileExists(log)) return 0;
    Sleep(300);
    DWORD size = 0;
    unsigned char* bytes = ReadWholeFile(log, &size);
    char* text = (char*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size + 1);
    if (bytes) { memcpy(text, bytes, size); HeapFree(GetProcessHeap(), 0, bytes); }
    return text;
}

static void FreeLog(char* log) { if (log) HeapFree(GetProcessHeap(), 0, log); }

// The URL of a path made of characters that need no escaping.
static void PlainUrl(const wchar_t* path, char* out)
{
    char u[MAX_PATH * 3];
    WideCharToMultiByte(CP_UTF8, 0, path, -1, u, sizeof u, 0, 0);
    for (char* p = u; *p; ++p) if (*p == '\\') *p = '/';
    wsprintfA(out, "file:///%s", u);
}

static void CheckStarted(const wchar_t* browser, const char* url, const char* what)
{
    char* log = WaitForLog(browser, 10000);
    char expected[4096];
    wsprintfA(expected, "\"%s\" --app=\"%s\"%s\n", u8(browser), url, SWITCHES);
    ok(log && !strcmp(log, expected), "%s: command line\n  got      %s  expected %s", what, log ? log : "(not started)\n", expected);
    FreeLog(log);
}

static void CheckNotStarted(const wchar_t* program, const char* what)
{
    wchar_t log[MAX_PATH];
    FormatPath(log, L"%s.log", program);
    ok(!FileExists(log), "%s: %s was not started", what, u8(program));
}

static bool SameAsPage(const wchar_t* path)
{
    DWORD size = 0;
    unsigned char* bytes = ReadWholeFile(path, &size);
    bool same = bytes && size == g_pageSize && !memcmp(bytes, g_page, size);
    if (bytes) HeapFree(GetProcessHeap(), 0, bytes);
    return same;
}

static void test_page_beside_executable()
{
    g_testContext = "page beside the executable";
    Bed bed;
    MakeBed(&bed, L"beside");
    wchar_t dir[MAX_PATH], exe[MAX_PATH], page[MAX_PATH], edge[MAX_PATH];
    FormatPath(dir, L"%s\\My Apps (x86)\\软件 100%%", bed.root);
    PlaceLauncher(dir, L"tallybook.exe", exe);
    FormatPath(page, L"%s\\index.html", dir);
    WriteTextFile(page, "<!doctype html><title>beside</title>");
    PlaceRecorder(bed.programFilesX86, EDGE_TAIL, edge);
    RunLauncher(exe);
    char url[MAX_PATH * 3];
    PlainUrl(bed.root, url);
    lstrcatA(url, "/My%20Apps%20%28x86%29/%E8%BD%AF%E4%BB%B6%20100%25/index.html");
    CheckStarted(edge, url, "first Edge candidate");
    ok(!DirExists(bed.local), "nothing created under LOCALAPPDATA");
    DWORD size = 0;
    unsigned char* bytes = ReadWholeFile(page, &size);
    ok(size == 36, "the page beside the executable is left as it was (%lu bytes)", size);
    if (bytes) HeapFree(GetProcessHeap(), 0, bytes);
    EndBed(&bed);
}

static void test_directory_named_like_the_page()
{
    g_testContext = "directory named index.html";
    Bed bed;
    MakeBed(&bed, L"dirpage");
    wchar_t dir[MAX_PATH], exe[MAX_PATH], fake[MAX_PATH], edge[MAX_PATH], page[MAX_PATH];
    FormatPath(dir, L"%s\\copy", bed.root);
    PlaceLauncher(dir, L"tallybook.exe", exe);
    FormatPath(fake, L"%s\\index.html", dir);
    CreateDirectoryW(fake, 0);
    PlaceRecorder(bed.programFiles, EDGE_TAIL, edge);
    RunLauncher(exe);
    FormatPath(page, L"%s\\Tallybook\\index.html", bed.local);
    ok(SameAsPage(page), "the carried page written to %s", u8(page));
    char url[MAX_PATH * 3];
    PlainUrl(page, url);
    CheckStarted(edge, url, "second Edge candidate");
    EndBed(&bed);
}

static void test_copy_without_page()
{
    g_testContext = "copy without a page";
    Bed bed;
    MakeBed(&bed, L"nopage");
    wchar_t dir[MAX_PATH], exe[MAX_PATH], page[MAX_PATH], partial[MAX_PATH], chrome[MAX_PATH], deep[MAX_PATH];
    FormatPath(dir, L"%s\\Desktop", bed.root);
    PlaceLauncher(dir, L"tallybook.exe", exe);
    // Every folder of the chain is missing, down to LOCALAPPDATA itself.
    FormatPath(deep, L"%s\\a\\b\\c", bed.local);
    SetEnvironmentVariableW(L"LOCALAPPDATA", deep);
    PlaceRecorder(bed.programFiles, CHROME_TAIL, chrome);
    RunLauncher(exe);
    FormatPath(page, L"%s\\Tallybook\\index.html", deep);
    ok(SameAsPage(page), "exactly the %lu carried bytes written to %s", g_pageSize, u8(page));
    FormatPath(partial, L"%s\\Tallybook\\~partial0", deep);
    ok(!FileExists(partial), "no side file left behind");
    char url[MAX_PATH * 3];
    PlainUrl(page, url);
    CheckStarted(chrome, url, "Chrome when there is no Edge");
    EndBed(&bed);
}

// Started again, a copy without a page finds the local one and uses it as it is.
static void test_local_page_used_as_it_is()
{
    g_testContext = "local page used as it is";
    Bed bed;
    MakeBed(&bed, L"again");
    wchar_t dir[MAX_PATH], exe[MAX_PATH], productDir[MAX_PATH], page[MAX_PATH], chrome[MAX_PATH];
    FormatPath(dir, L"%s\\Desktop", bed.root);
    PlaceLauncher(dir, L"tallybook.exe", exe);
    FormatPath(productDir, L"%s\\Tallybook", bed.local);
    SHCreateDirectoryExW(0, productDir, 0);
    FormatPath(page, L"%s\\index.html", productDir);
    WriteTextFile(page, "kept");
    PlaceRecorder(bed.programFiles, CHROME_TAIL, chrome);
    RunLauncher(exe);
    DWORD size = 0;
    unsigned char* bytes = ReadWholeFile(page, &size);
    ok(bytes && size == 4 && !memcmp(bytes, "kept", 4), "an existing page is not rewritten: %lu bytes, expected 4", size);
    if (bytes) HeapFree(GetProcessHeap(), 0, bytes);
    char url[MAX_PATH * 3];
    PlainUrl(page, url);
    CheckStarted(chrome, url, "second start");
    EndBed(&bed);
}

static bool WriteBytes(const wchar_t* path, const unsigned char* bytes, DWORD count)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL done = WriteFile(file, bytes, count, &written, 0);
    CloseHandle(file);
    return done && written == count;
}

// A launcher copy in a folder of its own, with no page beside it, and the
// local page's folder and path (the folder made only when asked).
static void PlaceCopyElsewhere(Bed* bed, wchar_t* exe, wchar_t* productDir, wchar_t* page, bool makeProductDir)
{
    wchar_t dir[MAX_PATH];
    FormatPath(dir, L"%s\\elsewhere", bed->root);
    PlaceLauncher(dir, L"tallybook.exe", exe);
    FormatChecked(productDir, MAX_PATH, L"%s\\Tallybook", bed->local);
    if (makeProductDir) SHCreateDirectoryExW(0, productDir, 0);
    FormatChecked(page, MAX_PATH, L"%s\\index.html", productDir);
}

// A page that shows nothing (empty, or cut off by a full disk) is written
// again whole and opened, beside the launcher as in the local folder.
static void test_empty_or_cut_page_rewritten()
{
    g_testContext = "empty and cut pages";
    const DWORD lengths[] = { 0, 36864 < g_pageSize ? 36864 : g_pageSize / 2, g_pageSize - 1 };
    for (DWORD length : lengths) {
        for (int beside = 0; beside < 2; ++beside) {
            Bed bed;
            MakeBed(&bed, L"cut");
            wchar_t exe[MAX_PATH], productDir[MAX_PATH], page[MAX_PATH], edge[MAX_PATH];
            // Beside: the install folder's own launcher; else a copy elsewhere.
            if (beside) {
                FormatPath(productDir, L"%s\\Tallybook", bed.local);
                PlaceLauncher(productDir, L"tallybook.exe", exe);
                FormatPath(page, L"%s\\index.html", productDir);
            } else {
                PlaceCopyElsewhere(&bed, exe, productDir, page, true);
            }
            ok(WriteBytes(page, g_page, length), "a page of %lu bytes planted", length);
            PlaceRecorder(bed.local, EDGE_TAIL, edge);
            RunLauncher(exe);
            ok(SameAsPage(page), "%s: a %lu-byte page is written whole again", beside ? "beside" : "local", length);
            char url[MAX_PATH * 3];
            PlainUrl(page, url);
            CheckStarted(edge, url, "the whole page is opened");
            wchar_t side[MAX_PATH];
            FormatPath(side, L"%s\\~partial0", productDir);
            ok(!FileExists(side), "no side file left behind");
            EndBed(&bed);
        }
    }
}

// Other content is the user's or another version's: kept.
static void test_page_with_other_content_kept()
{
    g_testContext = "page with other content";
    Bed bed;
    MakeBed(&bed, L"other");
    wchar_t exe[MAX_PATH], productDir[MAX_PATH], page[MAX_PATH], edge[MAX_PATH];
    PlaceCopyElsewhere(&bed, exe, productDir, page, true);
    WriteTextFile(page, "<!doctype html><title>mine</title>");
    PlaceRecorder(bed.local, EDGE_TAIL, edge);
    RunLauncher(exe);
    DWORD size = 0;
    unsigned char* bytes = ReadWholeFile(page, &size);
    ok(bytes && size == 34, "a page with other content is kept: %lu bytes, expected 34", size);
    if (bytes) HeapFree(GetProcessHeap(), 0, bytes);
    EndBed(&bed);
}

// Side files an interrupted run left at every side name are removed, and the
// page lands whole.
static void test_stale_side_files_removed()
{
    g_testContext = "stale side files";
    Bed bed;
    MakeBed(&bed, L"side");
    wchar_t exe[MAX_PATH], productDir[MAX_PATH], page[MAX_PATH], side[MAX_PATH], edge[MAX_PATH];
    PlaceCopyElsewhere(&bed, exe, productDir, page, true);
    for (int i = 0; i < 8; ++i) {
        FormatPath(side, L"%s\\~partial%d", productDir, i);
        WriteTextFile(side, "<!doctype html><html lang=\"zh-CN\"><head><ti");
    }
    PlaceRecorder(bed.programFilesX86, EDGE_TAIL, edge);
    RunLauncher(exe);
    ok(SameAsPage(page), "the whole page is written over stale side files at every side name");
    EndBed(&bed);
}

// Every side name taken by a folder: nothing is written, and the browser is still asked.
static void test_every_side_name_taken()
{
    g_testContext = "every side name taken";
    Bed bed;
    MakeBed(&bed, L"readonly");
    wchar_t exe[MAX_PATH], productDir[MAX_PATH], page[MAX_PATH], side[MAX_PATH], edge[MAX_PATH];
    PlaceCopyElsewhere(&bed, exe, productDir, page, false);
    const wchar_t* suffixes[] = { L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7" };
    for (const wchar_t* suffix : suffixes) {
        FormatPath(side, L"%s\\~partial%s", productDir, suffix);
        SHCreateDirectoryExW(0, side, 0);
    }
    PlaceRecorder(bed.programFilesX86, EDGE_TAIL, edge);
    RunLauncher(exe);
    ok(!FileExists(page), "no page when it could not be written");
    char url[MAX_PATH * 3];
    PlainUrl(page, url);
    CheckStarted(edge, url, "browser still asked for the page's place");
    EndBed(&bed);
}

static void test_base_folder_fallbacks()
{
    g_testContext = "LOCALAPPDATA missing";
    const wchar_t* values[3] = { 0, L"", 0 };
    wchar_t tooLong[400];
    for (int i = 0; i < 299; ++i) tooLong[i] = L'x';
    tooLong[0] = L'C'; tooLong[1] = L':'; tooLong[2] = L'\\';
    tooLong[299] = 0;
    values[2] = tooLong;
    const char* names[3] = { "missing", "empty", "300 characters long" };
    for (int v = 0; v < 3; ++v) {
        Bed bed;
        MakeBed(&bed, L"nolocal");
        wchar_t dir[MAX_PATH], exe[MAX_PATH], page[MAX_PATH], edge[MAX_PATH], chrome[MAX_PATH];
        FormatPath(dir, L"%s\\moved", bed.root);
        PlaceLauncher(dir, L"tallybook.exe", exe);
        PlaceRecorder(bed.programFilesX86, CHROME_TAIL, chrome);
        // Edge only under %LocalAppData%, which now names nothing.
        PlaceRecorder(bed.local, EDGE_TAIL, edge);
        SetEnvironmentVariableW(L"LOCALAPPDATA", values[v]);
        RunLauncher(exe);
        // The temporary folder ends in a backslash: two of them before Tallybook.
        FormatPath(page, L"%s\\Tallybook\\index.html", bed.temp);
        ok(SameAsPage(page), "LOCALAPPDATA %s: page written to %s", names[v], u8(page));
        char url[MAX_PATH * 3];
        PlainUrl(page, url);
        ok(strstr(url, "tmp//Tallybook/index.html") != 0, "two slashes before Tallybook: %s", url);
        CheckStarted(chrome, url, "second Chrome candidate");
        CheckNotStarted(edge, names[v]);
        EndBed(&bed);
    }
}

// Every candidate present: the first Edge, and nothing else.
static void test_first_edge_chosen()
{
    g_testContext = "browser choice";
    Bed bed;
    MakeBed(&bed, L"choice");
    wchar_t dir[MAX_PATH], exe[MAX_PATH], page[MAX_PATH], edge1[MAX_PATH], edge2[MAX_PATH], edge3[MAX_PATH],
        chrome1[MAX_PATH], chrome2[MAX_PATH];
    FormatPath(dir, L"%s\\Tallybook", bed.local);
    PlaceLauncher(dir, L"tallybook.exe", exe);
    FormatPath(page, L"%s\\index.html", dir);
    WriteTextFile(page, "<!doctype html>");
    PlaceRecorder(bed.programFilesX86, EDGE_TAIL, edge1);
    PlaceRecorder(bed.programFiles, EDGE_TAIL, edge2);
    PlaceRecorder(bed.local, EDGE_TAIL, edge3);
    PlaceRecorder(bed.programFiles, CHROME_TAIL, chrome1);
    PlaceRecorder(bed.programFilesX86, CHROME_TAIL, chrome2);
    char url[MAX_PATH * 3];
    PlainUrl(page, url);
    RunLauncher(exe);
    CheckStarted(edge1, url, "both installed");
    CheckNotStarted(edge2, "both installed");
    CheckNotStarted(edge3, "both installed");
    CheckNotStarted(chrome1, "both installed");
    EndBed(&bed);
}

// An Edge that exists but cannot start: Chrome next, not the next Edge.
static void test_broken_edge_falls_to_chrome()
{
    g_testContext = "broken Edge";
    Bed bed;
    MakeBed(&bed, L"broken");
    wchar_t dir[MAX_PATH], exe[MAX_PATH], page[MAX_PATH], edge1[MAX_PATH], edge2[MAX_PATH], edge3[MAX_PATH],
        chrome1[MAX_PATH], chrome2[MAX_PATH];
    FormatPath(dir, L"%s\\Tallybook", bed.local);
    PlaceLauncher(dir, L"tallybook.exe", exe);
    FormatPath(page, L"%s\\index.html", dir);
    WriteTextFile(page, "<!doctype html>");
    PlaceRecorder(bed.programFilesX86, EDGE_TAIL, edge1);
    PlaceRecorder(bed.programFiles, EDGE_TAIL, edge2);
    PlaceRecorder(bed.local, EDGE_TAIL, edge3);
    PlaceRecorder(bed.programFiles, CHROME_TAIL, chrome1);
    PlaceRecorder(bed.programFilesX86, CHROME_TAIL, chrome2);
    WriteTextFile(edge1, "not a program");
    char url[MAX_PATH * 3];
    PlainUrl(page, url);
    RunLauncher(exe);
    CheckNotStarted(edge2, "broken Edge");
    CheckNotStarted(edge3, "broken Edge");
    CheckStarted(chrome1, url, "Chrome after a broken Edge");
    CheckNotStarted(chrome2, "broken Edge");
    EndBed(&bed);
}

// A folder of 249 characters with a short program name: the page's name no
// longer fits beside it, so the local page is used.
static void test_long_own_folder_uses_local_page()
{
    g_testContext = "long own folder";
    Bed bed;
    MakeBed(&bed, L"long");
    wchar_t dir[MAX_PATH], exe[MAX_PATH], page[MAX_PATH], edge[MAX_PATH];
    lstrcpyW(dir, bed.root);
    while (lstrlenW(dir) < 240) lstrcatW(dir, L"\\dddddddd");
    dir[249] = 0;
    if (dir[248] == L'\\') dir[248] = L'e';
    PlaceLauncher(dir, L"t.exe", exe);
    PlaceRecorder(bed.programFiles, EDGE_TAIL, edge);
    RunLauncher(exe);
    FormatPath(page, L"%s\\Tallybook\\index.html", bed.local);
    ok(SameAsPage(page), "a folder of %d characters uses the local page", lstrlenW(dir));
    char url[MAX_PATH * 3];
    PlainUrl(page, url);
    CheckStarted(edge, url, "long folder");
    EndBed(&bed);
}

// A browser folder whose expansion does not fit is passed over.
static void test_browser_path_too_long_passed_over()
{
    g_testContext = "browser path too long";
    Bed bed;
    MakeBed(&bed, L"longbrowser");
    wchar_t exe[MAX_PATH], productDir[MAX_PATH], page[MAX_PATH], edge[MAX_PATH];
    PlaceCopyElsewhere(&bed, exe, productDir, page, false);
    PlaceRecorder(bed.programFiles, EDGE_TAIL, edge);
    wchar_t longBase[400];
    lstrcpyW(longBase, bed.root);
    while (lstrlenW(longBase) < 300) lstrcatW(longBase, L"\\pppppppppp");
    SetEnvironmentVariableW(L"ProgramFiles(x86)", longBase);
    RunLauncher(exe);
    ok(SameAsPage(page), "the carried page written to %s", u8(page));
    char url[MAX_PATH * 3];
    PlainUrl(page, url);
    CheckStarted(edge, url, "an Edge path too long to expand is passed over");
    EndBed(&bed);
}

// ---- the fallbacks, through the HTML handler of the prefix's classes root ----

static wchar_t g_savedHtmlClass[256];

static void SetHtmlClass(const wchar_t* progId)
{
    RegSetValueW(HKEY_CLASSES_ROOT, L".html", REG_SZ, progId, lstrlenW(progId) * 2);
}

static void test_shell_fallback()
{
    g_testContext = "shell fallback";
    Bed bed;
    MakeBed(&bed, L"shell");
    wchar_t dir[MAX_PATH], exe[MAX_PATH], page[MAX_PATH], handler[MAX_PATH], command[MAX_PATH * 2];
    FormatPath(dir, L"%s\\Tallybook", bed.local);
    PlaceLauncher(dir, L"tallybook.exe", exe);
    FormatPath(page, L"%s\\index.html", dir);
    WriteTextFile(page, "<!doctype html>");
    PlaceRecorder(bed.root, L"handler\\page-handler.exe", handler);
    FormatPath(command, L"\"%s\" \"%%1\"", handler);
    RegSetValueW(HKEY_CLASSES_ROOT, L"TallyTestPage\\shell\\open\\command", REG_SZ, command, lstrlenW(command) * 2);
    SetHtmlClass(L"TallyTestPage");
    RunLauncher(exe);
    char* log = WaitForLog(handler, 10000);
    char expected[MAX_PATH * 6];
    wsprintfA(expected, "\"%s\" \"%s\"\n", u8(handler), u8(page));
    ok(log && !strcmp(log, expected), "the handler got the page's path\n  got      %s  expected %s",
       log ? log : "(not started)\n", expected);
    FreeLog(log);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"TallyTestPage");
    SetHtmlClass(g_savedHtmlClass);
    EndBed(&bed);
}

struct BoxSeen {
    wchar_t text[512];
    int iconId;
    HWND okButton;
    int buttons;
};

static BOOL CALLBACK InspectBoxChild(HWND child, LPARAM param)
{
    BoxSeen* seen = (BoxSeen*)param;
    wchar_t cls[64], text[512];
    GetClassNameW(child, cls, 64);
    GetWindowTextW(child, text, 512);
    // Wine builds every kind of button into a box and hides those it does not use.
    if (!lstrcmpiW(cls, L"Button")) {
        if (!IsWindowVisible(child)) return TRUE;
        ++seen->buttons;
        if (GetDlgCtrlID(child) == IDOK) seen->okButton = child;
    } else if (!lstrcmpiW(cls, L"Static")) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            seen->iconId = GetDlgCtrlID(child);
        else if (text[0])
            lstrcpyW(seen->text, text);
    }
    return TRUE;
}

static void test_message_box()
{
    g_testContext = "message box";
    Bed bed;
    MakeBed(&bed, L"box");
    wchar_t dir[MAX_PATH], exe[MAX_PATH], page[MAX_PATH];
    FormatPath(dir, L"%s\\Tallybook", bed.local);
    PlaceLauncher(dir, L"tallybook.exe", exe);
    FormatPath(page, L"%s\\index.html", dir);
    WriteTextFile(page, "<!doctype html>");
    // A class with no open verb: the shell has nothing to hand the page to.
    RegSetValueW(HKEY_CLASSES_ROOT, L"TallyNoHandler", REG_SZ, L"none", 8);
    SetHtmlClass(L"TallyNoHandler");

    wchar_t command[MAX_PATH + 8];
    FormatPath(command, L"\"%s\"", exe);
    STARTUPINFOW si = { sizeof si };
    PROCESS_INFORMATION pi = {};
    ok(CreateProcessW(0, command, 0, 0, FALSE, 0, 0, 0, &si, &pi), "launcher started");
    HWND box = 0;
    // Read once shown: Wine builds the box hidden, then hides the buttons it does not use.
    for (int i = 0; i < 200 && !(box && IsWindowVisible(box)); ++i) {
        Sleep(100);
        box = FindWindowOf(pi.dwProcessId, L"#32770", L"青禾书苑");
    }
    Sleep(200);
    ok(box != 0, "a box captioned 青禾书苑 appeared");
    if (box) {
        BoxSeen seen = {};
        EnumChildWindows(box, InspectBoxChild, (LPARAM)&seen);
        ok(!lstrcmpW(seen.text, L"未能自动打开 青禾书苑。\n\n请手动双击同目录下的 index.html 查看内容。"),
           "box text %s", u8(seen.text));
        ok(seen.buttons == 1 && seen.okButton, "one OK button (%d buttons)", seen.buttons);
        ProbeResult probe = {};
        ok(seen.iconId && ProbeControl(box, seen.iconId, &probe) && probe.iconKind == PROBE_ICON_INFORMATION,
           "the information icon (kind %d)", probe.iconKind);
        if (seen.okButton) PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)seen.okButton);
    }
    DWORD code = 99;
    ok(WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0, "launcher ended once the box was dismissed");
    GetExitCodeProcess(pi.hProcess, &code);
    if (code == STILL_ACTIVE) TerminateProcess(pi.hProcess, 99);  // never left running past the test
    ok(code == 0, "exit code %lu", code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"TallyNoHandler");
    SetHtmlClass(g_savedHtmlClass);
    EndBed(&bed);
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) { printf("usage: test_launcher_flow <tallybook.exe> <recorder.exe>\n"); return 2; }
    ArgToWindowsPath(argv[1], g_launcherExe);
    ArgToWindowsPath(argv[2], g_recorderExe);
    DWORD length = GetEnvironmentVariableW(L"ProgramFiles", g_programFiles, MAX_PATH);
    ok(length > 0 && length < MAX_PATH && DirExists(g_programFiles), "program files folder %s", u8(g_programFiles));
    wchar_t pagePath[MAX_PATH];
    FormatPath(pagePath, L"%s\\payload\\index.html", TALLY_SOURCE_DIR);
    g_page = ReadWholeFile(pagePath, &g_pageSize);
    ok(g_page && g_pageSize > 0, "page source read from %s", u8(pagePath));
    LONG size = sizeof g_savedHtmlClass;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, L".html", g_savedHtmlClass, &size) != ERROR_SUCCESS) g_savedHtmlClass[0] = 0;

    test_page_beside_executable();
    test_directory_named_like_the_page();
    test_copy_without_page();
    test_local_page_used_as_it_is();
    test_empty_or_cut_page_rewritten();
    test_page_with_other_content_kept();
    test_stale_side_files_removed();
    test_every_side_name_taken();
    test_base_folder_fallbacks();
    test_first_edge_chosen();
    test_broken_edge_falls_to_chrome();
    test_long_own_folder_uses_local_page();
    test_browser_path_too_long_passed_over();
    test_shell_fallback();
    test_message_box();
    return test_summary("launcher flow");
}
