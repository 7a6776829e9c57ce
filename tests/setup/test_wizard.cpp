// Drives tallyinstall.exe from outside, as a user would: finds its window,
// reads the controls, presses the button, watches the install, and checks
// what was installed and what was started.
//   test_wizard <tallyinstall.exe> <recorder.exe>                 behaviour (any graphics driver)
//   test_wizard <tallyinstall.exe> <recorder.exe> screens <dir>   screenshots and pixels (needs X)
//   test_wizard <tallyinstall.exe> <recorder.exe> demo <dir>      the same, ending with the launch
#include "../support/ok.h"
#include "../support/window_probe.h"
#include "../../setup/install_plan.h"
#include "../../setup/wizard_window.h"
#include <commctrl.h>
#include <shlobj.h>

// The seven captions as the user must see them, written out here.
static const wchar_t* const EXPECTED_CAPTIONS[7] = {
    L"[1/7] 正在创建安装目录…",
    L"[2/7] 正在释放主程序 tallybook.exe…",
    L"[3/7] 正在释放界面资源 index.html…",
    L"[4/7] 正在部署卸载程序…",
    L"[5/7] 正在创建桌面与开始菜单快捷方式…",
    L"[6/7] 正在写入注册表信息…",
    L"[7/7] 正在收尾…",
};

static wchar_t g_setupExe[MAX_PATH];
static wchar_t g_recorderExe[MAX_PATH];

static const wchar_t SUCCESS_LINE[] = L"✓ 安装完成！已在桌面和开始菜单创建快捷方式";
static const wchar_t FAILURE_LINE[] = L"⚠ 部分文件释放失败，请检查磁盘权限后重试";
static const wchar_t LAUNCH_CAPTION[] = L"启动程序 →";

struct Wizard {
    PROCESS_INFORMATION process;
    HWND wnd;
    wchar_t localAppData[MAX_PATH];
};

// Starts the wizard with LOCALAPPDATA pointing at a folder of the test's own.
static bool StartWizard(Wizard* w, const wchar_t* localAppData)
{
    lstrcpyW(w->localAppData, localAppData);
    SetEnvironmentVariableW(L"LOCALAPPDATA", localAppData);
    wchar_t command[MAX_PATH + 4];
    FormatPath(command, L"\"%s\"", g_setupExe);
    STARTUPINFOW si = { sizeof si };
    ZeroMemory(&w->process, sizeof w->process);
    w->wnd = 0;
    if (!CreateProcessW(0, command, 0, 0, FALSE, 0, 0, 0, &si, &w->process)) return false;
    for (int i = 0; i < 3000 && !w->wnd; ++i) {
        w->wnd = FindWindowOf(w->process.dwProcessId, L"QZSetupWnd", 0);
        if (!w->wnd) Sleep(10);
    }
    // The controls are made right after the window: wait until the last one exists.
    for (int i = 0; i < 500 && w->wnd && !GetDlgItem(w->wnd, IDC_HINT); ++i) Sleep(10);
    return w->wnd != 0;
}

static DWORD WaitExit(Wizard* w, DWORD ms)
{
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(w->process.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(w->process.hProcess, &code);
    else TerminateProcess(w->process.hProcess, 0xDEAD);
    CloseHandle(w->process.hProcess);
    CloseHandle(w->process.hThread);
    return code;
}

static void ControlText(HWND wnd, int id, wchar_t* out, int capacity)
{
    out[0] = 0;
    SendMessageW(GetDlgItem(wnd, id), WM_GETTEXT, capacity, (LPARAM)out);
}

struct ExpectedControl {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    RECT rect;
    int fontHeight;
    LONG weight;
    COLORREF colour;
};

static const ExpectedControl EXPECTED[] = {
    { IDC_LOGO, L"Static", L"禾", 0x50000201, { 20, 12, 92, 84 }, -52, 700, RGB(99, 102, 241) },
    { IDC_TITLE, L"Static", L"青禾书苑", 0x50000000, { 104, 20, 424, 60 }, -26, 700, RGB(24, 26, 38) },
    { IDC_SUBTITLE, L"Static", L"Tallybook 桌面版 · 安装向导 v2.0", 0x50000000, { 106, 62, 436, 86 }, -13, 400, RGB(110, 116, 132) },
    { IDC_INFO, L"Static", L"安装位置：%LOCALAPPDATA%\\Tallybook\n将创建桌面快捷方式、开始菜单快捷方式，并注册系统卸载项。",
      0x50000000, { 24, 104, 436, 148 }, -13, 400, RGB(110, 116, 132) },
    { IDC_STATUS, L"Static", L"准备就绪，点击下方按钮开始安装。", 0x50000000, { 24, 168, 436, 190 }, -13, 400, RGB(110, 116, 132) },
    { IDC_PROGRESS, L"msctls_progress32", L"", 0x50000001, { 24, 196, 436, 218 }, 0, 0, 0 },
    { IDC_ACTION, L"Button", L"开始安装", 0x50000000, { 24, 234, 174, 272 }, -15, 700, 0 },
    { IDC_HINT, L"Static", L"提示：完成后可双击桌面“青禾书苑”启动；随时可运行 tallyuninstall.exe 卸载。",
      0x50000000, { 24, 288, 436, 328 }, -12, 400, RGB(110, 116, 132) },
};

static void test_layout(const wchar_t* root)
{
    g_testContext = "layout";
    Wizard w;
    if (!StartWizard(&w, root)) { ok(false, "wizard window found"); return; }

    wchar_t text[512];
    GetWindowTextW(w.wnd, text, 512);
    ok(!lstrcmpW(text, L"青禾书苑 · 安装向导"), "caption %s", u8(text));
    DWORD style = GetWindowLongW(w.wnd, GWL_STYLE);
    ok((style & 0x00CA0000) == 0x00CA0000 && !(style & (WS_THICKFRAME | WS_MAXIMIZEBOX)), "style 0x%08lx", style);
    ok(GetWindowLongW(w.wnd, GWL_EXSTYLE) == 0 || GetWindowLongW(w.wnd, GWL_EXSTYLE) == WS_EX_WINDOWEDGE,
       "extended style 0x%08lx", GetWindowLongW(w.wnd, GWL_EXSTYLE));
    RECT outer = { 0, 0, 460, 344 }, actual, client;
    AdjustWindowRect(&outer, 0x00CA0000, FALSE);
    GetWindowRect(w.wnd, &actual);
    GetClientRect(w.wnd, &client);
    ok(actual.right - actual.left == outer.right - outer.left && actual.bottom - actual.top == outer.bottom - outer.top,
       "outer size %ldx%ld, expected %ldx%ld", actual.right - actual.left, actual.bottom - actual.top,
       outer.right - outer.left, outer.bottom - outer.top);
    ok(client.right == 460 && client.bottom == 344, "client %ldx%ld", client.right, client.bottom);

    // Children in creation order.
    HWND child = GetWindow(w.wnd, GW_CHILD);
    int index = 0;
    for (const ExpectedControl& e : EXPECTED) {
        ok(child && GetDlgCtrlID(child) == e.id, "control %d in order: got id %d, expected %d", index, child ? GetDlgCtrlID(child) : -1, e.id);
        child = child ? GetWindow(child, GW_HWNDNEXT) : 0;
        ++index;
    }
    ok(child == 0, "no ninth control");

    for (const ExpectedControl& e : EXPECTED) {
        HWND c = GetDlgItem(w.wnd, e.id);
        wchar_t cls[64];
        GetClassNameW(c, cls, 64);
        ok(!lstrcmpiW(cls, e.className), "%d: class %s", e.id, u8(cls));
        ok((DWORD)GetWindowLongW(c, GWL_STYLE) == e.style, "%d: style 0x%08lx, expected 0x%08lx", e.id, GetWindowLongW(c, GWL_STYLE), e.style);
        ok(GetWindowLongW(c, GWL_EXSTYLE) == 0, "%d: extended style 0x%08lx", e.id, GetWindowLongW(c, GWL_EXSTYLE));
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(HWND_DESKTOP, w.wnd, (POINT*)&r, 2);
        ok(EqualRect(&r, &e.rect), "%d: rect (%ld,%ld)-(%ld,%ld)", e.id, r.left, r.top, r.right, r.bottom);
        ControlText(w.wnd, e.id, text, 512);
        ok(!lstrcmpW(text, e.text), "%d: text %s", e.id, u8(text));

        ProbeResult probe;
        bool probed = ProbeControl(w.wnd, e.id, &probe);
        ok(probed, "%d: probe answered", e.id);
        if (!probed) continue;
        if (e.fontHeight) {
            ok(probe.hasFont && probe.font.lfHeight == e.fontHeight && probe.font.lfWeight == e.weight
               && !lstrcmpW(probe.font.lfFaceName, L"Microsoft YaHei UI") && probe.font.lfQuality == CLEARTYPE_QUALITY
               && probe.font.lfCharSet == DEFAULT_CHARSET && !probe.font.lfItalic && !probe.font.lfUnderline,
               "%d: font %ld/%ld/%s/q%d", e.id, probe.font.lfHeight, probe.font.lfWeight, u8(probe.font.lfFaceName), probe.font.lfQuality);
            ok(probe.missingGlyphs == 0, "%d: %d of %d Chinese characters lack a glyph", e.id, probe.missingGlyphs, probe.cjkCharacters);
        } else {
            ok(!probe.hasFont, "%d: no font of its own", e.id);
        }
        if (e.colour || e.id == IDC_LOGO) {
            ok(probe.textColour == e.colour && probe.backgroundMode == TRANSPARENT && probe.nullBrush,
               "%d: colour %06lx mode %d hollow %d", e.id, probe.textColour, probe.backgroundMode, probe.nullBrush);
        }
        if (e.id == IDC_LOGO) {
            ok(probe.classBrushSolid && probe.classBrushColour == RGB(248, 249, 252), "class brush %06lx", probe.classBrushColour);
            ok(probe.classIcon && probe.classSmallIcon, "class icons %d %d", probe.classIcon, probe.classSmallIcon);
        }
    }

    DWORD range = (DWORD)SendMessageW(GetDlgItem(w.wnd, IDC_PROGRESS), PBM_GETRANGE, FALSE, 0);
    DWORD low = (DWORD)SendMessageW(GetDlgItem(w.wnd, IDC_PROGRESS), PBM_GETRANGE, TRUE, 0);
    ok(range == 100 && low == 0, "progress range %lu-%lu", low, range);
    ok(SendMessageW(GetDlgItem(w.wnd, IDC_PROGRESS), PBM_GETPOS, 0, 0) == 0, "progress starts at 0");
    ok(IsWindowEnabled(GetDlgItem(w.wnd, IDC_ACTION)), "button enabled when ready");

    // Closing the window when ready ends the process with 0.
    PostMessageW(w.wnd, WM_CLOSE, 0, 0);
    DWORD code = WaitExit(&w, 10000);
    ok(code == 0, "exit code after closing when ready: %lu", code);
}

struct Observation { wchar_t text[128]; LRESULT position; };

// Presses the button and records every status caption with the last progress
// position seen while it showed, until a result line appears.
static int WatchInstall(Wizard* w, Observation* seen, int capacity, bool pokeWhileRunning)
{
    HWND button = GetDlgItem(w->wnd, IDC_ACTION);
    SendMessageW(button, BM_CLICK, 0, 0);
    ok(!IsWindowEnabled(button), "button disabled once pressed");
    int count = 0;
    bool poked = false;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 20000) {
        // The caption changes before the position: a sample whose caption did not
        // change around the position's read belongs to that caption.
        wchar_t text[128], again[128];
        ControlText(w->wnd, IDC_STATUS, text, 128);
        LRESULT position = SendMessageW(GetDlgItem(w->wnd, IDC_PROGRESS), PBM_GETPOS, 0, 0);
        ControlText(w->wnd, IDC_STATUS, again, 128);
        if (lstrcmpW(text, again)) continue;
        if (count == 0 || lstrcmpW(seen[count - 1].text, text)) {
            if (count == capacity) break;
            lstrcpyW(seen[count].text, text);
            ++count;
        }
        seen[count - 1].position = position;
        if (!lstrcmpW(text, SUCCESS_LINE) || !lstrcmpW(text, FAILURE_LINE)) break;
        if (pokeWhileRunning && !poked && !lstrcmpW(text, EXPECTED_CAPTIONS[2])) {
            // A second press while installing, by click and by a command that reaches the window anyway.
            SendMessageW(button, BM_CLICK, 0, 0);
            SendMessageW(w->wnd, WM_COMMAND, MAKEWPARAM(IDC_ACTION, BN_CLICKED), (LPARAM)button);
            poked = true;
            ok(IsWindow(w->wnd) && !IsWindowEnabled(button), "second press while installing changes nothing");
        }
        Sleep(5);
    }
    return count;
}

static void CheckSteps(const Observation* seen, int count, const wchar_t* resultLine)
{
    static const LRESULT positions[7] = { 14, 28, 42, 57, 71, 85, 100 };
    int first = (count > 0 && !lstrcmpW(seen[0].text, L"正在安装…")) ? 1 : 0;
    ok(count - first == 8, "%d captions seen after the first press, expected the 7 steps and the result", count - first);
    for (int i = 0; i < 7 && first + i < count; ++i) {
        ok(!lstrcmpW(seen[first + i].text, EXPECTED_CAPTIONS[i]), "caption %d: %s", i, u8(seen[first + i].text));
        ok(seen[first + i].position == positions[i], "progress during step %d: %ld, expected %ld", i, (long)seen[first + i].position, (long)positions[i]);
    }
    if (count > 0) ok(!lstrcmpW(seen[count - 1].text, resultLine), "result line %s", u8(seen[count - 1].text));
}

static void CheckFinished(Wizard* w)
{
    HWND button = GetDlgItem(w->wnd, IDC_ACTION);
    wchar_t text[64];
    ControlText(w->wnd, IDC_ACTION, text, 64);
    ok(IsWindowEnabled(button) && !lstrcmpW(text, LAUNCH_CAPTION), "button enabled with %s", u8(text));
    ok(SendMessageW(GetDlgItem(w->wnd, IDC_PROGRESS), PBM_GETPOS, 0, 0) == 100, "progress full");
    GUITHREADINFO info = { sizeof info };
    GetGUIThreadInfo(w->process.dwThreadId, &info);
    ok(info.hwndFocus == button, "focus on the button: %p, button %p", (void*)info.hwndFocus, (void*)button);
}

static void ShortcutPath(REFKNOWNFOLDERID folderId, const wchar_t* sub, wchar_t* out)
{
    wchar_t* folder = 0;
    SHGetKnownFolderPath(folderId, 0, 0, &folder);
    FormatMaxPath(out, L"%s%s\\青禾书苑.lnk", folder, sub);
    CoTaskMemFree(folder);
}

static void ClearShortcutsAndKeys()
{
    wchar_t link[MAX_PATH];
    ShortcutPath(FOLDERID_Desktop, L"", link);
    DeleteFileW(link);
    ShortcutPath(FOLDERID_Programs, L"\\Tallybook", link);
    DeleteFileW(link);
    RegDeleteTreeW(HKEY_CURRENT_USER, PRODUCT_KEY);
    RegDeleteTreeW(HKEY_CURRENT_USER, UNINSTALL_KEY);
}

static void test_install_and_launch(const wchar_t* root)
{
    g_testContext = "install and launch";
    ClearShortcutsAndKeys();
    wchar_t local[MAX_PATH], edgeDir[MAX_PATH], edge[MAX_PATH], log[MAX_PATH];
    FormatPath(local, L"%s\\AppData\\Local", root);
    CreateDirectoryW(local, 0);  // its parent exists; the product folder does not
    // The installed launcher will look for Edge under the per-user folder first found.
    FormatPath(edgeDir, L"%s\\Microsoft\\Edge\\Application", local);
    SHCreateDirectoryExW(0, edgeDir, 0);
    FormatPath(edge, L"%s\\msedge.exe", edgeDir);
    ok(CopyFileW(g_recorderExe, edge, FALSE), "recorder placed as Edge");
    FormatPath(log, L"%s\\edge.log", root);
    SetEnvironmentVariableW(L"TALLY_RECORD_FILE", log);

    Wizard w;
    if (!StartWizard(&w, local)) { ok(false, "wizard window found"); return; }
    Observation seen[32];
    int count = WatchInstall(&w, seen, 32, true);
    CheckSteps(seen, count, SUCCESS_LINE);
    CheckFinished(&w);

    wchar_t installDir[MAX_PATH], path[MAX_PATH], value[MAX_PATH];
    FormatPath(installDir, L"%s\\Tallybook", local);
    FormatPath(path, L"%s\\tallybook.exe", installDir);
    ok(FileExists(path), "installed %s", u8(path));
    FormatPath(path, L"%s\\index.html", installDir);
    ok(FileExists(path), "installed %s", u8(path));
    wchar_t source[MAX_PATH];
    FormatPath(source, L"%s\\payload\\index.html", TALLY_SOURCE_DIR);
    DWORD installedSize = 0, sourceSize = 0;
    unsigned char* installed = ReadWholeFile(path, &installedSize);
    unsigned char* original = ReadWholeFile(source, &sourceSize);
    ok(installed && original && installedSize == sourceSize && !memcmp(installed, original, sourceSize),
       "installed page is payload/index.html byte for byte (%lu of %lu bytes)", installedSize, sourceSize);
    if (installed) HeapFree(GetProcessHeap(), 0, installed);
    if (original) HeapFree(GetProcessHeap(), 0, original);
    // Nothing lies beside the setup here: the uninstaller is the one it carries.
    FormatPath(path, L"%s\\tallyuninstall.exe", installDir);
    DWORD uninstallerSize = 0;
    unsigned char* uninstaller = ReadWholeFile(path, &uninstallerSize);
    ok(uninstaller && uninstallerSize > 1024 && uninstaller[0] == 'M' && uninstaller[1] == 'Z',
       "installed uninstaller %s is a program: %lu bytes", u8(path), uninstallerSize);
    if (uninstaller) HeapFree(GetProcessHeap(), 0, uninstaller);
    ShortcutPath(FOLDERID_Desktop, L"", path);
    ok(FileExists(path), "desktop shortcut");
    ShortcutPath(FOLDERID_Programs, L"\\Tallybook", path);
    ok(FileExists(path), "start-menu shortcut");
    DWORD type, size = sizeof value;
    ok(ReadRegValue(PRODUCT_KEY, L"InstallPath", &type, value, &size) == 0 && !lstrcmpW(value, installDir),
       "registered install path %s", u8(value));

    // The second press starts the installed launcher once and closes the wizard.
    SendMessageW(GetDlgItem(w.wnd, IDC_ACTION), BM_CLICK, 0, 0);
    DWORD code = WaitExit(&w, 10000);
    ok(code == 0, "wizard exit code after launching: %lu", code);
    DWORD bytes = 0;
    unsigned char* recorded = 0;
    for (int i = 0; i < 100 && !bytes; ++i) {
        Sleep(100);
        recorded = ReadWholeFile(log, &bytes);
        if (!bytes && recorded) { HeapFree(GetProcessHeap(), 0, recorded); recorded = 0; }
    }
    Sleep(500);  // a second start would have shown by now
    if (recorded) HeapFree(GetProcessHeap(), 0, recorded);
    recorded = ReadWholeFile(log, &bytes);
    int lines = 0;
    for (DWORD i = 0; i < bytes; ++i) if (recorded[i] == '\n') ++lines;
    ok(lines == 1, "browser started %d times: %s", lines, recorded ? (char*)recorded : "");
    char expectedUrl[MAX_PATH * 3];
    WideCharToMultiByte(CP_UTF8, 0, installDir, -1, expectedUrl, sizeof expectedUrl, 0, 0);
    for (char* p = expectedUrl; *p; ++p) if (*p == '\\') *p = '/';
    char expected[2048], edgeU8[MAX_PATH * 3];
    WideCharToMultiByte(CP_UTF8, 0, edge, -1, edgeU8, sizeof edgeU8, 0, 0);
    wsprintfA(expected, "\"%s\" --app=\"file:///%s/index.html\" --window-size=1260,880 --no-first-run --no-default-browser-check\n",
              edgeU8, expectedUrl);
    ok(recorded && !lstrcmpA((char*)recorded, expected), "browser command line\n  got      %s  expected %s",
       recorded ? (char*)recorded : "", expected);
    // The road's last step opens this command's URL in a real browser.
    if (recorded) WriteTextFile(L"road-command.txt", (char*)recorded);
    if (recorded) HeapFree(GetProcessHeap(), 0, recorded);
    SetEnvironmentVariableW(L"TALLY_RECORD_FILE", 0);
    ClearShortcutsAndKeys();
}

static void test_failed_install(const wchar_t* root)
{
    g_testContext = "failed install";
    ClearShortcutsAndKeys();
    wchar_t blocker[MAX_PATH], local[MAX_PATH];
    FormatPath(blocker, L"%s\\blocker", root);
    WriteTextFile(blocker, "a file where the install folder's parent should be");
    FormatPath(local, L"%s\\blocker\\Local", root);
    Wizard w;
    if (!StartWizard(&w, local)) { ok(false, "wizard window found"); return; }
    Observation seen[32];
    int count = WatchInstall(&w, seen, 32, false);
    CheckSteps(seen, count, FAILURE_LINE);
    CheckFinished(&w);
    PostMessageW(w.wnd, WM_CLOSE, 0, 0);
    ok(WaitExit(&w, 10000) == 0, "exit code after closing when finished");
    ClearShortcutsAndKeys();
}

static void test_close_while_installing(const wchar_t* root)
{
    g_testContext = "close while installing";
    wchar_t local[MAX_PATH];
    FormatPath(local, L"%s\\Local", root);
    CreateDirectoryW(local, 0);
    Wizard w;
    if (!StartWizard(&w, local)) { ok(false, "wizard window found"); return; }
    SendMessageW(GetDlgItem(w.wnd, IDC_ACTION), BM_CLICK, 0, 0);
    Sleep(400);
    wchar_t text[128];
    ControlText(w.wnd, IDC_STATUS, text, 128);
    ok(!lstrcmpW(text, EXPECTED_CAPTIONS[1]) || !lstrcmpW(text, EXPECTED_CAPTIONS[0]) || !lstrcmpW(text, EXPECTED_CAPTIONS[2]),
       "closing in the middle of the install: %s", u8(text));
    PostMessageW(w.wnd, WM_CLOSE, 0, 0);
    DWORD code = WaitExit(&w, 10000);
    ok(code == 0, "exit code after closing mid-install: %lu", code);
    ClearShortcutsAndKeys();
}

// ---- screenshots (X display) ----

// Saves the whole window as the screen shows it, frame and title bar included,
// and gives the pixels of its client area (width x height) for the checks.
static bool SaveWindowBitmap(HWND wnd, const wchar_t* path, COLORREF* pixels, int width, int height)
{
    RECT outer;
    GetWindowRect(wnd, &outer);
    POINT origin = { 0, 0 };
    ClientToScreen(wnd, &origin);
    int outerWidth = outer.right - outer.left, outerHeight = outer.bottom - outer.top;
    static COLORREF whole[1024 * 768];
    if (outerWidth < width || outerHeight < height || outerWidth * outerHeight > 1024 * 768) return false;
    HDC screen = GetDC(0);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, outerWidth, outerHeight);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, outerWidth, outerHeight, screen, outer.left, outer.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = outerWidth;
    bi.bmiHeader.biHeight = -outerHeight;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, outerHeight, whole, &bi, DIB_RGB_COLORS);
    // The fourth byte is not alpha here; make it opaque so viewers agree.
    for (int i = 0; i < outerWidth * outerHeight; ++i) whole[i] |= 0xFF000000;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(0, screen);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[y * width + x] = whole[(y + origin.y - outer.top) * outerWidth + (x + origin.x - outer.left)];

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof bi.bmiHeader;
    file.bfSize = file.bfOffBits + outerWidth * outerHeight * 4;
    HANDLE out = CreateFileW(path, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written;
    WriteFile(out, &file, sizeof file, &written, 0);
    WriteFile(out, &bi.bmiHeader, sizeof bi.bmiHeader, &written, 0);
    WriteFile(out, whole, outerWidth * outerHeight * 4, &written, 0);
    CloseHandle(out);
    return true;
}

// Wine's virtual desktop paints a new desktop shortcut's icon and name over any
// window that covers their slot at the desktop's top left (Windows keeps them
// beneath the windows), and the first window opens at 0,0: for the pictures the
// wizard stands in the middle of the desktop, clear of those slots.
static void MoveToMiddle(HWND wnd)
{
    RECT work, r;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(wnd, &r);
    SetWindowPos(wnd, 0, (work.left + work.right - (r.right - r.left)) / 2, (work.top + work.bottom - (r.bottom - r.top)) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// Pixels are 0x00RRGGBB as GetDIBits gives them.
static int CountNear(const COLORREF* pixels, int width, RECT area, int r, int g, int b, int tolerance)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            DWORD p = pixels[y * width + x];
            int pr = (p >> 16) & 255, pg = (p >> 8) & 255, pb = p & 255;
            if (abs(pr - r) <= tolerance && abs(pg - g) <= tolerance && abs(pb - b) <= tolerance) ++count;
        }
    return count;
}

static void CheckPixels(const COLORREF* pixels, const char* when)
{
    RECT logo = { 20, 12, 92, 84 }, title = { 104, 20, 424, 60 }, info = { 24, 104, 436, 148 };
    RECT margin = { 440, 0, 460, 344 }, above = { 0, 0, 460, 12 };
    int area = 20 * 344;
    ok(CountNear(pixels, 460, margin, 248, 249, 252, 0) == area, "%s: right margin all background RGB(248,249,252)", when);
    ok(CountNear(pixels, 460, above, 248, 249, 252, 0) == 460 * 12, "%s: band above the logo all background (%d of %d pixels)",
       when, CountNear(pixels, 460, above, 248, 249, 252, 0), 460 * 12);
    ok(CountNear(pixels, 460, logo, 99, 102, 241, 12) > 200, "%s: indigo logo glyph (%d pixels)", when, CountNear(pixels, 460, logo, 99, 102, 241, 12));
    ok(CountNear(pixels, 460, title, 24, 26, 38, 12) > 150, "%s: near-black title (%d pixels)", when, CountNear(pixels, 460, title, 24, 26, 38, 12));
    ok(CountNear(pixels, 460, info, 110, 116, 132, 12) > 150, "%s: grey labels (%d pixels)", when, CountNear(pixels, 460, info, 110, 116, 132, 12));
}

static void PrintTree(const wchar_t* dir)
{
    wchar_t pattern[MAX_PATH];
    FormatPath(pattern, L"%s\\*", dir);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.cFileName[0] == L'.') continue;
        printf("    %s\\%s  %lu bytes\n", u8(dir), u8(found.cFileName), found.nFileSizeLow);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// The walk-through of the main job: what a user sees, then the launch.
static void Demo(Wizard* w, const wchar_t* local, const wchar_t* edge, const wchar_t* log)
{
    wchar_t installDir[MAX_PATH], link[MAX_PATH];
    FormatPath(installDir, L"%s\\Tallybook", local);
    printf("Installed into %s:\n", u8(installDir));
    PrintTree(installDir);
    ShortcutPath(FOLDERID_Desktop, L"", link);
    printf("Desktop shortcut:    %s (%s)\n", u8(link), FileExists(link) ? "present" : "MISSING");
    ShortcutPath(FOLDERID_Programs, L"\\Tallybook", link);
    printf("Start-menu shortcut: %s (%s)\n", u8(link), FileExists(link) ? "present" : "MISSING");
    printf("Registry: HKCU\\%s and HKCU\\%s\n", u8(PRODUCT_KEY), u8(UNINSTALL_KEY));
    printf("Pressing \"启动程序 →\"; a recorder stands in for Edge at %s\n", u8(edge));
    SendMessageW(GetDlgItem(w->wnd, IDC_ACTION), BM_CLICK, 0, 0);
    printf("Wizard exit code: %lu\n", WaitExit(w, 10000));
    DWORD bytes = 0;
    unsigned char* recorded = 0;
    for (int i = 0; i < 100 && !bytes; ++i) {
        Sleep(100);
        if (recorded) HeapFree(GetProcessHeap(), 0, recorded);
        recorded = ReadWholeFile(log, &bytes);
    }
    printf("The installed launcher asked for:\n  %s\n", bytes ? (char*)recorded : "(nothing)");
    if (recorded) HeapFree(GetProcessHeap(), 0, recorded);
}

static void test_screens(const wchar_t* root, const wchar_t* outDir, bool demo)
{
    g_testContext = "screenshots";
    wchar_t local[MAX_PATH], path[MAX_PATH], edge[MAX_PATH], log[MAX_PATH];
    FormatPath(local, L"%s\\Local", root);
    CreateDirectoryW(local, 0);
    FormatPath(edge, L"%s\\Microsoft\\Edge\\Application", local);
    SHCreateDirectoryExW(0, edge, 0);
    lstrcatW(edge, L"\\msedge.exe");
    CopyFileW(g_recorderExe, edge, FALSE);
    FormatPath(log, L"%s\\edge.log", root);
    SetEnvironmentVariableW(L"TALLY_RECORD_FILE", log);
    Wizard w;
    if (!StartWizard(&w, local)) { ok(false, "wizard window found"); return; }
    MoveToMiddle(w.wnd);
    SetForegroundWindow(w.wnd);
    Sleep(1500);
    static COLORREF pixels[460 * 344];
    FormatPath(path, L"%s\\wizard-before.bmp", outDir);
    ok(SaveWindowBitmap(w.wnd, path, pixels, 460, 344), "saved %s", u8(path));
    CheckPixels(pixels, "before");

    SendMessageW(GetDlgItem(w.wnd, IDC_ACTION), BM_CLICK, 0, 0);
    wchar_t text[128];
    for (int i = 0; i < 400; ++i) {
        ControlText(w.wnd, IDC_STATUS, text, 128);
        if (!lstrcmpW(text, EXPECTED_CAPTIONS[3])) break;
        Sleep(5);
    }
    Sleep(100);
    FormatPath(path, L"%s\\wizard-during.bmp", outDir);
    ok(SaveWindowBitmap(w.wnd, path, pixels, 460, 344), "saved %s", u8(path));
    CheckPixels(pixels, "during");
    // The status line shows one caption only: the old one's pixels are gone.
    static COLORREF clean[460 * 344];
    memcpy(clean, pixels, sizeof clean);

    for (int i = 0; i < 400; ++i) {
        ControlText(w.wnd, IDC_STATUS, text, 128);
        if (!lstrcmpW(text, SUCCESS_LINE) || !lstrcmpW(text, FAILURE_LINE)) break;
        Sleep(10);
    }
    Sleep(300);
    FormatPath(path, L"%s\\wizard-after.bmp", outDir);
    ok(SaveWindowBitmap(w.wnd, path, pixels, 460, 344), "saved %s", u8(path));
    CheckPixels(pixels, "after");

    // Overdrawn captions would leave more ink than the longest caption alone:
    // compare the status line's ink with a wizard showing only the result line.
    RECT status = { 24, 168, 436, 190 };
    int ink = 412 * 22 - CountNear(pixels, 460, status, 248, 249, 252, 0);
    if (demo) {
        Demo(&w, local, edge, log);
        ClearShortcutsAndKeys();
        return;
    }
    PostMessageW(w.wnd, WM_CLOSE, 0, 0);
    ok(WaitExit(&w, 10000) == 0, "exit code after closing");

    Wizard fresh;
    if (StartWizard(&fresh, local)) {
        MoveToMiddle(fresh.wnd);
        SetForegroundWindow(fresh.wnd);
        SendMessageW(fresh.wnd, WM_SETTEXT, 0, 0);
        SendMessageW(GetDlgItem(fresh.wnd, IDC_STATUS), WM_SETTEXT, 0, (LPARAM)text);
        RedrawWindow(fresh.wnd, 0, 0, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Sleep(500);
        static COLORREF only[460 * 344];
        FormatPath(path, L"%s\\wizard-result-only.bmp", outDir);
        SaveWindowBitmap(fresh.wnd, path, only, 460, 344);
        int alone = 412 * 22 - CountNear(only, 460, status, 248, 249, 252, 0);
        ok(ink <= alone + alone / 20, "status line ink %d, the result line alone %d: no caption left beneath", ink, alone);
        PostMessageW(fresh.wnd, WM_CLOSE, 0, 0);
        WaitExit(&fresh, 10000);
    }
    ClearShortcutsAndKeys();
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) { printf("usage: test_wizard <tallyinstall.exe> <recorder.exe> [screens <dir>]\n"); return 2; }
    ArgToWindowsPath(argv[1], g_setupExe);
    ArgToWindowsPath(argv[2], g_recorderExe);
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);

    wchar_t root[MAX_PATH];
    bool demo = argc >= 5 && !lstrcmpW(argv[3], L"demo");
    if (argc >= 5 && (demo || !lstrcmpW(argv[3], L"screens"))) {
        wchar_t outDir[MAX_PATH];
        ArgToWindowsPath(argv[4], outDir);
        CreateDirectoryW(outDir, 0);
        MakeTempDir(L"screens", root);
        test_screens(root, outDir, demo);
        if (!demo) DeleteTree(root);
        if (!demo) return test_summary("wizard screenshots");
        // A user of the walk-through wants the outcome, not a count of checks.
        printf(g_failures ? "The walk-through did not go as a user's install would: see the lines above.\n"
                          : "The walk-through went as a user's install does.\n");
        return g_failures ? 1 : 0;
    }
    MakeTempDir(L"layout", root);
    test_layout(root);
    DeleteTree(root);
    // The installed tree stays until the next run, for the browser that opens it.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    FormatPath(root, L"%stally-road", temp);
    DeleteTree(root);
    CreateDirectoryW(root, 0);
    test_install_and_launch(root);
    MakeTempDir(L"failed", root);
    test_failed_install(root);
    DeleteTree(root);
    MakeTempDir(L"close", root);
    test_close_while_installing(root);
    DeleteTree(root);
    return test_summary("wizard");
}
