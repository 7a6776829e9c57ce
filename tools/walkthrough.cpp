// The main job's walk-through: the real wizard pressed through as a user
// would, with pictures before, during and after the install, then the
// installed launcher started with a recorder standing in for Edge. Prints
// what was installed and what was started, and whether it all went as a
// user's install does.
//   walkthrough <tallyinstall.exe> <recorder.exe> <picture folder>
// The folder receives wizard-before.bmp, wizard-during.bmp, wizard-after.bmp
// and launcher-command.txt (the command line the launcher asked for).
#include "driver/wizard_driver.h"
#include "../common/product_layout.h"
#include "../setup/wizard_window.h"
#include <shlobj.h>
#include <stdio.h>

static wchar_t g_setupExe[MAX_PATH];
static wchar_t g_recorderExe[MAX_PATH];
static wchar_t g_pictures[MAX_PATH];
static int g_problems;

static const char* u8(const wchar_t* text)
{
    static char buffers[4][2048];
    static int next = 0;
    char* out = buffers[next++ % 4];
    if (!WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof buffers[0], 0, 0)) out[0] = 0;
    return out;
}

static void Problem(const char* what, const wchar_t* detail)
{
    printf("Not as a user's install: %s%s%s\n", what, detail ? " " : "", detail ? u8(detail) : "");
    ++g_problems;
}

static bool Exists(const wchar_t* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

static bool KeyExists(const wchar_t* subKey)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// Each run starts from an empty folder of its own name, so runs do not pile up.
static void RemoveTree(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path);
        return;
    }
    wchar_t pattern[MAX_PATH], child[MAX_PATH];
    if (!FormatWithin(pattern, MAX_PATH, L"%s\\*", path)) return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!lstrcmpW(found.cFileName, L".") || !lstrcmpW(found.cFileName, L"..")) continue;
            if (FormatWithin(child, MAX_PATH, L"%s\\%s", path, found.cFileName)) RemoveTree(child);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path);
}

static bool ShortcutPath(REFKNOWNFOLDERID folderId, bool inStartMenuFolder, wchar_t* out)
{
    wchar_t* folder = 0;
    wchar_t dir[MAX_PATH];
    out[0] = 0;
    if (FAILED(SHGetKnownFolderPath(folderId, 0, 0, &folder))) return false;
    bool made = inStartMenuFolder ? JoinWholePath(dir, folder, PRODUCT_FOLDER_NAME)
                                  : FormatWithin(dir, MAX_PATH, L"%s", folder);
    CoTaskMemFree(folder);
    return made && JoinWholePath(out, dir, SHORTCUT_FILE_NAME);
}

// The shortcuts and keys go again; the installed files stay for the browser
// that may open the page afterwards.
static void RemoveShortcutsAndKeys()
{
    wchar_t link[MAX_PATH];
    if (ShortcutPath(FOLDERID_Desktop, false, link)) DeleteFileW(link);
    if (ShortcutPath(FOLDERID_Programs, true, link)) DeleteFileW(link);
    RegDeleteTreeW(HKEY_CURRENT_USER, PRODUCT_KEY);
    RegDeleteTreeW(HKEY_CURRENT_USER, UNINSTALL_KEY);
}

static void SavePicture(HWND wnd, const wchar_t* name)
{
    wchar_t path[MAX_PATH];
    if (!FormatWithin(path, MAX_PATH, L"%s\\%s", g_pictures, name) || !SaveWindowBitmap(wnd, path, 0, 0, 0))
        Problem("could not save the picture", name);
}

static void PrintTree(const wchar_t* dir)
{
    wchar_t pattern[MAX_PATH];
    if (!FormatWithin(pattern, MAX_PATH, L"%s\\*", dir)) return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.cFileName[0] == L'.') continue;
        printf("    %s\\%s  %lu bytes\n", u8(dir), u8(found.cFileName), found.nFileSizeLow);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

static void ReportInstall(const wchar_t* local)
{
    static const wchar_t* const files[] = { PAGE_FILE_NAME, LAUNCHER_FILE_NAME, UNINSTALLER_FILE_NAME };
    wchar_t installDir[MAX_PATH], path[MAX_PATH];
    JoinWholePath(installDir, local, PRODUCT_FOLDER_NAME);
    printf("Installed into %s:\n", u8(installDir));
    PrintTree(installDir);
    for (const wchar_t* name : files)
        if (!JoinWholePath(path, installDir, name) || !Exists(path)) Problem("not installed:", name);
    bool desktop = ShortcutPath(FOLDERID_Desktop, false, path) && Exists(path);
    printf("Desktop shortcut:    %s (%s)\n", u8(path), desktop ? "present" : "MISSING");
    if (!desktop) Problem("no desktop shortcut", 0);
    bool startMenu = ShortcutPath(FOLDERID_Programs, true, path) && Exists(path);
    printf("Start-menu shortcut: %s (%s)\n", u8(path), startMenu ? "present" : "MISSING");
    if (!startMenu) Problem("no Start-menu shortcut", 0);
    bool product = KeyExists(PRODUCT_KEY), uninstall = KeyExists(UNINSTALL_KEY);
    printf("Registry: HKCU\\%s%s and HKCU\\%s%s\n", u8(PRODUCT_KEY), product ? "" : " (MISSING)",
           u8(UNINSTALL_KEY), uninstall ? "" : " (MISSING)");
    if (!product || !uninstall) Problem("a registry key is missing", 0);
}

// The second press starts the installed launcher and closes the wizard.
static void Launch(Wizard* w, const wchar_t* edge, const wchar_t* log)
{
    printf("Pressing \"启动程序 →\"; a recorder stands in for Edge at %s\n", u8(edge));
    PressAction(w);
    DWORD code = WaitWizardExit(w, 10000);
    printf("Wizard exit code: %lu\n", code);
    if (code != 0) Problem("the wizard did not end with 0", 0);
    DWORD bytes = 0;
    unsigned char* recorded = WaitForRecordedCommand(log, &bytes, 10000);
    if (!recorded) {
        printf("The installed launcher asked for:\n  (nothing)\n");
        Problem("the installed launcher started no browser", 0);
        return;
    }
    wchar_t path[MAX_PATH];
    HANDLE file = FormatWithin(path, MAX_PATH, L"%s\\launcher-command.txt", g_pictures)
                      ? CreateFileW(path, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0) : INVALID_HANDLE_VALUE;
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE) {
        WriteFile(file, recorded, bytes, &written, 0);
        CloseHandle(file);
    }
    if (written != bytes) Problem("could not keep the launcher's command in", path);
    while (bytes && (recorded[bytes - 1] == '\n' || recorded[bytes - 1] == '\r')) recorded[--bytes] = 0;
    printf("The installed launcher asked for:\n  %s\n", (char*)recorded);
    HeapFree(GetProcessHeap(), 0, recorded);
}

static void WalkThrough(const wchar_t* root)
{
    wchar_t local[MAX_PATH], edge[MAX_PATH], log[MAX_PATH];
    if (!FormatWithin(local, MAX_PATH, L"%s\\Local", root) || !FormatWithin(log, MAX_PATH, L"%s\\edge.log", root)) {
        Problem("the temporary folder's path is too long:", root);
        return;
    }
    CreateDirectoryW(local, 0);
    if (!PlaceStandInBrowser(g_recorderExe, local, log, edge)) Problem("could not place the recorder as Edge at", edge);

    Wizard w;
    if (!StartWizard(&w, g_setupExe, local)) {
        Problem("the wizard's window did not appear:", g_setupExe);
        WaitWizardExit(&w, 0);
        return;
    }
    MoveToMiddle(w.wnd);
    SetForegroundWindow(w.wnd);
    Sleep(1500);
    SavePicture(w.wnd, L"wizard-before.bmp");

    if (!StartStepWatch(&w)) Problem("could not follow the status line (window_probe.dll)", 0);
    PressAction(&w);
    // Step 4 of 7 shows for a fifth of a second; the picture catches it or the next.
    if (WaitForStatus(L"[4/7]", 20000)) Sleep(100);
    SavePicture(w.wnd, L"wizard-during.bmp");
    bool ended = WaitInstallEnded(&w, 20000);
    StopStepWatch();
    Sleep(300);
    SavePicture(w.wnd, L"wizard-after.bmp");
    wchar_t result[128];
    ControlText(w.wnd, IDC_STATUS, result, 128);
    // The success line starts with a check mark, the failure line with a warning sign.
    if (!ended || result[0] != L'✓') Problem("the wizard's last line is", result);

    ReportInstall(local);
    Launch(&w, edge, log);
    RemoveShortcutsAndKeys();
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        printf("usage: walkthrough <tallyinstall.exe> <recorder.exe> <picture folder>\n");
        return 2;
    }
    if (!WindowsPathFromArg(argv[1], g_setupExe) || !WindowsPathFromArg(argv[2], g_recorderExe)
        || !WindowsPathFromArg(argv[3], g_pictures)) {
        printf("walkthrough: a path argument is longer than %d characters\n", MAX_PATH - 1);
        return 2;
    }
    CreateDirectoryW(g_pictures, 0);
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    wchar_t temp[MAX_PATH], root[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH || !FormatWithin(root, MAX_PATH, L"%stally-walkthrough", temp)) {
        printf("walkthrough: no usable temporary folder\n");
        return 1;
    }
    RemoveTree(root);
    CreateDirectoryW(root, 0);
    WalkThrough(root);
    printf(g_problems ? "The walk-through did not go as a user's install would: see the lines above.\n"
                      : "The walk-through went as a user's install does.\n");
    return g_problems ? 1 : 0;
}
