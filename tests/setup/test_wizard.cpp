// Drives tallyinstall.exe from outside, as a user would, with the drivers of
// tools/driver: finds its window, reads the controls, presses the button,
// follows the install, and checks what was installed and what was started.
//   test_wizard <tallyinstall.exe> <recorder.exe>                 behaviour (any graphics driver)
//   test_wizard <tallyinstall.exe> <recorder.exe> screens <dir>   pictures and pixels (needs X)
#include "../support/ok.h"
#include "../support/install_traces.h"
#include "../../tools/driver/wizard_driver.h"
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

static const wchar_t INSTALLING_LINE[] = L"正在安装…";
static const wchar_t SUCCESS_LINE[] = L"✓ 安装完成！已在桌面和开始菜单创建快捷方式";
static const wchar_t FAILURE_LINE[] = L"⚠ 部分文件释放失败，请检查磁盘权限后重试";
static const wchar_t LAUNCH_CAPTION[] = L"启动程序 →";

static bool Start(Wizard* w, const wchar_t* localAppData)
{
    bool started = StartWizard(w, g_setupExe, localAppData);
    ok(started, "wizard window found (LOCALAPPDATA %s)", u8(localAppData));
    if (!started) WaitWizardExit(w, 0);
    return started;
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

// ---- the window as it opens (one wizard for the group) ----

static void test_window_frame(Wizard* w)
{
    g_testContext = "window frame";
    wchar_t text[128];
    GetWindowTextW(w->wnd, text, 128);
    ok(!lstrcmpW(text, L"青禾书苑 · 安装向导"), "caption %s", u8(text));
    DWORD style = GetWindowLongW(w->wnd, GWL_STYLE);
    ok((style & 0x00CA0000) == 0x00CA0000 && !(style & (WS_THICKFRAME | WS_MAXIMIZEBOX)), "style 0x%08lx", style);
    LONG exStyle = GetWindowLongW(w->wnd, GWL_EXSTYLE);
    ok(exStyle == 0 || exStyle == WS_EX_WINDOWEDGE, "extended style 0x%08lx", exStyle);
    RECT outer = { 0, 0, 460, 344 }, actual, client;
    AdjustWindowRect(&outer, 0x00CA0000, FALSE);
    GetWindowRect(w->wnd, &actual);
    GetClientRect(w->wnd, &client);
    ok(actual.right - actual.left == outer.right - outer.left && actual.bottom - actual.top == outer.bottom - outer.top,
       "outer size %ldx%ld, expected %ldx%ld", actual.right - actual.left, actual.bottom - actual.top,
       outer.right - outer.left, outer.bottom - outer.top);
    ok(client.right == 460 && client.bottom == 344, "client %ldx%ld", client.right, client.bottom);
}

static void test_control_order(Wizard* w)
{
    g_testContext = "control order";
    HWND child = GetWindow(w->wnd, GW_CHILD);
    int index = 0;
    for (const ExpectedControl& e : EXPECTED) {
        ok(child && GetDlgCtrlID(child) == e.id, "control %d in order: got id %d, expected %d", index, child ? GetDlgCtrlID(child) : -1, e.id);
        child = child ? GetWindow(child, GW_HWNDNEXT) : 0;
        ++index;
    }
    ok(child == 0, "no ninth control");
}

static void test_control_places_and_texts(Wizard* w)
{
    g_testContext = "control places and texts";
    for (const ExpectedControl& e : EXPECTED) {
        HWND c = GetDlgItem(w->wnd, e.id);
        wchar_t cls[64], text[512];
        GetClassNameW(c, cls, 64);
        ok(!lstrcmpiW(cls, e.className), "%d: class %s", e.id, u8(cls));
        ok((DWORD)GetWindowLongW(c, GWL_STYLE) == e.style, "%d: style 0x%08lx, expected 0x%08lx", e.id, GetWindowLongW(c, GWL_STYLE), e.style);
        ok(GetWindowLongW(c, GWL_EXSTYLE) == 0, "%d: extended style 0x%08lx", e.id, GetWindowLongW(c, GWL_EXSTYLE));
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(HWND_DESKTOP, w->wnd, (POINT*)&r, 2);
        ok(EqualRect(&r, &e.rect), "%d: rect (%ld,%ld)-(%ld,%ld)", e.id, r.left, r.top, r.right, r.bottom);
        ControlText(w->wnd, e.id, text, 512);
        ok(!lstrcmpW(text, e.text), "%d: text %s", e.id, u8(text));
    }
}

// Fonts and colours are read inside the wizard's process by the probe.
static void test_control_fonts_and_colours(Wizard* w)
{
    g_testContext = "control fonts and colours";
    for (const ExpectedControl& e : EXPECTED) {
        ProbeResult probe;
        bool probed = ProbeControl(w->wnd, e.id, &probe);
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
    }
}

static void test_class_brush_and_icons(Wizard* w)
{
    g_testContext = "class brush and icons";
    ProbeResult probe;
    if (!ok(ProbeControl(w->wnd, IDC_LOGO, &probe), "probe answered")) return;
    ok(probe.classBrushSolid && probe.classBrushColour == RGB(248, 249, 252), "class brush %06lx", probe.classBrushColour);
    ok(probe.classIcon && probe.classSmallIcon, "class icons %d %d", probe.classIcon, probe.classSmallIcon);
}

static HWND FocusOf(Wizard* w)
{
    GUITHREADINFO info = { sizeof info };
    GetGUIThreadInfo(w->process.dwThreadId, &info);
    return info.hwndFocus;
}

// A key as the keyboard gives it: to whatever has the focus, which must be the button.
static void PressKey(Wizard* w, WPARAM key, const char* name)
{
    HWND focus = FocusOf(w), button = GetDlgItem(w->wnd, IDC_ACTION);
    ok(focus == button, "%s goes to the button: focus %p, button %p", name, (void*)focus, (void*)button);
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
}

static void test_ready_state(Wizard* w)
{
    g_testContext = "ready state";
    HWND progress = GetDlgItem(w->wnd, IDC_PROGRESS);
    DWORD high = (DWORD)SendMessageW(progress, PBM_GETRANGE, FALSE, 0);
    DWORD low = (DWORD)SendMessageW(progress, PBM_GETRANGE, TRUE, 0);
    ok(high == 100 && low == 0, "progress range %lu-%lu", low, high);
    ok(ProgressPosition(w) == 0, "progress starts at 0");
    ok(IsWindowEnabled(GetDlgItem(w->wnd, IDC_ACTION)), "button enabled when ready");
    ok(FocusOf(w) == GetDlgItem(w->wnd, IDC_ACTION), "focus on the button when ready: %p", (void*)FocusOf(w));
}

static void test_close_when_ready(Wizard* w)
{
    g_testContext = "close when ready";
    PostMessageW(w->wnd, WM_CLOSE, 0, 0);
    DWORD code = WaitWizardExit(w, 10000);
    ok(code == 0, "exit code after closing when ready: %lu", code);
}

// ---- the install ----

// Presses the button with the status line followed by the probe, which
// records every text it is given, and waits until the install has ended.
static int RecordInstall(Wizard* w, StatusSeen* seen, int capacity)
{
    ok(StartStepWatch(w), "status line followed");
    PressAction(w);
    ok(!IsWindowEnabled(GetDlgItem(w->wnd, IDC_ACTION)), "button disabled once pressed");
    ok(WaitInstallEnded(w, 20000), "install ended within 20 s");
    StopStepWatch();
    return ReadSteps(seen, capacity);
}

// The status line's texts in order: the first press's line, the seven steps
// each with the progress it showed with, and the result line.
static void CheckSteps(const StatusSeen* seen, int count, const wchar_t* resultLine)
{
    static const LONG positions[7] = { 14, 28, 42, 57, 71, 85, 100 };
    ok(count == 9, "%d texts on the status line after the press, expected 9", count);
    if (count > 0) ok(!lstrcmpW(seen[0].text, INSTALLING_LINE) && seen[0].position == 0, "first %s at %ld", u8(seen[0].text), seen[0].position);
    for (int i = 0; i < 7 && 1 + i < count; ++i) {
        ok(!lstrcmpW(seen[1 + i].text, EXPECTED_CAPTIONS[i]), "caption %d: %s", i, u8(seen[1 + i].text));
        ok(seen[1 + i].position == positions[i], "progress during step %d: %ld, expected %ld", i, seen[1 + i].position, positions[i]);
    }
    if (count > 0) {
        ok(!lstrcmpW(seen[count - 1].text, resultLine), "result line %s", u8(seen[count - 1].text));
        ok(seen[count - 1].position == 100, "progress with the result line %ld", seen[count - 1].position);
    }
}

static void CheckFinished(Wizard* w)
{
    HWND button = GetDlgItem(w->wnd, IDC_ACTION);
    wchar_t text[64];
    ControlText(w->wnd, IDC_ACTION, text, 64);
    ok(IsWindowEnabled(button) && !lstrcmpW(text, LAUNCH_CAPTION), "button enabled with %s", u8(text));
    ok(ProgressPosition(w) == 100, "progress full");
    ok(FocusOf(w) == button, "focus on the button: %p, button %p", (void*)FocusOf(w), (void*)button);
}

// ---- the road: install, what it left, and the launch (one wizard) ----

static wchar_t g_roadLocal[MAX_PATH], g_roadEdge[MAX_PATH], g_roadLog[MAX_PATH], g_installDir[MAX_PATH];

static bool StartRoad(const wchar_t* root, Wizard* w)
{
    RemoveInstallTraces();
    FormatPath(g_roadLocal, L"%s\\AppData\\Local", root);
    SHCreateDirectoryExW(0, g_roadLocal, 0);  // its parent exists; the product folder does not
    FormatPath(g_installDir, L"%s\\Tallybook", g_roadLocal);
    FormatPath(g_roadLog, L"%s\\edge.log", root);
    // The installed launcher will look for Edge under the per-user folder first.
    ok(PlaceStandInBrowser(g_recorderExe, g_roadLocal, g_roadLog, g_roadEdge), "recorder placed as Edge at %s", u8(g_roadEdge));
    return Start(w, g_roadLocal);
}

static void test_install_steps(Wizard* w)
{
    g_testContext = "install steps";
    StatusSeen seen[STATUS_RECORD_CAPACITY];
    ok(StartStepWatch(w), "status line followed");
    // From the keyboard alone.
    PressKey(w, VK_SPACE, "Space");
    HWND button = GetDlgItem(w->wnd, IDC_ACTION);
    // A second press while installing, by click and by a command that reaches the window anyway.
    ok(WaitForStatus(EXPECTED_CAPTIONS[2], 20000), "third step shown");
    ok(!IsWindowEnabled(button), "button disabled once pressed");
    SendMessageW(button, BM_CLICK, 0, 0);
    SendMessageW(w->wnd, WM_COMMAND, MAKEWPARAM(IDC_ACTION, BN_CLICKED), (LPARAM)button);
    ok(IsWindow(w->wnd) && !IsWindowEnabled(button), "second press while installing changes nothing");
    ok(WaitInstallEnded(w, 20000), "install ended within 20 s");
    StopStepWatch();
    CheckSteps(seen, ReadSteps(seen, STATUS_RECORD_CAPACITY), SUCCESS_LINE);
    CheckFinished(w);
}

static void test_installed_files()
{
    g_testContext = "installed files";
    wchar_t path[MAX_PATH], source[MAX_PATH];
    FormatPath(path, L"%s\\tallybook.exe", g_installDir);
    ok(FileExists(path), "installed %s", u8(path));
    FormatPath(path, L"%s\\index.html", g_installDir);
    FormatPath(source, L"%s\\payload\\index.html", TALLY_SOURCE_DIR);
    DWORD installedSize = 0, sourceSize = 0;
    unsigned char* installed = ReadWholeFile(path, &installedSize);
    unsigned char* original = ReadWholeFile(source, &sourceSize);
    ok(installed && original && installedSize == sourceSize && !memcmp(installed, original, sourceSize),
       "installed page is payload/index.html byte for byte (%lu of %lu bytes)", installedSize, sourceSize);
    if (installed) HeapFree(GetProcessHeap(), 0, installed);
    if (original) HeapFree(GetProcessHeap(), 0, original);
    // Nothing lies beside the setup here: the uninstaller is the one it carries.
    FormatPath(path, L"%s\\tallyuninstall.exe", g_installDir);
    DWORD uninstallerSize = 0;
    unsigned char* uninstaller = ReadWholeFile(path, &uninstallerSize);
    ok(uninstaller && uninstallerSize > 1024 && uninstaller[0] == 'M' && uninstaller[1] == 'Z',
       "installed uninstaller %s is a program: %lu bytes", u8(path), uninstallerSize);
    if (uninstaller) HeapFree(GetProcessHeap(), 0, uninstaller);
}

static void test_shortcuts_and_keys()
{
    g_testContext = "shortcuts and keys";
    wchar_t desktop[MAX_PATH], startFolder[MAX_PATH], startLink[MAX_PATH], value[MAX_PATH];
    InstalledShortcutPaths(desktop, startFolder, startLink);
    ok(FileExists(desktop), "desktop shortcut %s", u8(desktop));
    ok(FileExists(startLink), "start-menu shortcut %s", u8(startLink));
    DWORD type = 0, size = sizeof value;
    ok(ReadRegValue(TEST_PRODUCT_KEY, L"InstallPath", &type, value, &size) == 0 && type == REG_SZ
       && !lstrcmpW(value, g_installDir), "registered install path %s", u8(value));
    size = sizeof value;
    ok(ReadRegValue(TEST_UNINSTALL_KEY, L"InstallLocation", &type, value, &size) == 0
       && type == REG_SZ && !lstrcmpW(value, g_installDir), "uninstall entry's install location %s", u8(value));
}

// The second press starts the installed launcher once and closes the wizard.
static void test_launch(Wizard* w)
{
    g_testContext = "launch";
    PressKey(w, VK_RETURN, "Enter");
    DWORD code = WaitWizardExit(w, 10000);
    ok(code == 0, "wizard exit code after launching: %lu", code);
    DWORD bytes = 0;
    unsigned char* recorded = WaitForRecordedCommand(g_roadLog, &bytes, 10000);
    Sleep(500);  // a second start would have shown by now
    if (recorded) HeapFree(GetProcessHeap(), 0, recorded);
    recorded = ReadWholeFile(g_roadLog, &bytes);
    int lines = 0;
    for (DWORD i = 0; i < bytes; ++i) if (recorded[i] == '\n') ++lines;
    ok(lines == 1, "browser started %d times: %s", lines, recorded ? (char*)recorded : "");
    char expectedUrl[MAX_PATH * 3];
    WideCharToMultiByte(CP_UTF8, 0, g_installDir, -1, expectedUrl, sizeof expectedUrl, 0, 0);
    for (char* p = expectedUrl; *p; ++p) if (*p == '\\') *p = '/';
    char expected[2048];
    wsprintfA(expected, "\"%s\" --app=\"file:///%s/index.html\" --window-size=1260,880 --no-first-run --no-default-browser-check\n",
              u8(g_roadEdge), expectedUrl);
    ok(recorded && !lstrcmpA((char*)recorded, expected), "browser command line\n  got      %s  expected %s",
       recorded ? (char*)recorded : "", expected);
    // The road's last step opens this command's URL in a real browser.
    if (recorded) WriteTextFile(L"road-command.txt", (char*)recorded);
    if (recorded) HeapFree(GetProcessHeap(), 0, recorded);
    SetEnvironmentVariableW(L"TALLY_RECORD_FILE", 0);
}

static void test_failed_install(const wchar_t* root)
{
    g_testContext = "failed install";
    RemoveInstallTraces();
    wchar_t blocker[MAX_PATH], local[MAX_PATH];
    FormatPath(blocker, L"%s\\blocker", root);
    WriteTextFile(blocker, "a file where the install folder's parent should be");
    FormatPath(local, L"%s\\blocker\\Local", root);
    Wizard w;
    if (!Start(&w, local)) return;
    StatusSeen seen[STATUS_RECORD_CAPACITY];
    CheckSteps(seen, RecordInstall(&w, seen, STATUS_RECORD_CAPACITY), FAILURE_LINE);
    CheckFinished(&w);
    PostMessageW(w.wnd, WM_CLOSE, 0, 0);
    ok(WaitWizardExit(&w, 10000) == 0, "exit code after closing when finished");
    RemoveInstallTraces();
}

static void test_close_while_installing(const wchar_t* root)
{
    g_testContext = "close while installing";
    wchar_t local[MAX_PATH];
    FormatPath(local, L"%s\\Local", root);
    CreateDirectoryW(local, 0);
    Wizard w;
    if (!Start(&w, local)) return;
    ok(StartStepWatch(&w), "status line followed");
    PressAction(&w);
    ok(WaitForStatus(EXPECTED_CAPTIONS[1], 20000), "second step shown");
    PostMessageW(w.wnd, WM_CLOSE, 0, 0);
    DWORD code = WaitWizardExit(&w, 10000);
    StopStepWatch();
    ok(code == 0, "exit code after closing mid-install: %lu", code);
    StatusSeen seen[STATUS_RECORD_CAPACITY];
    int count = ReadSteps(seen, STATUS_RECORD_CAPACITY);
    ok(count > 0 && count < 9, "closed in the middle of the install: %d texts, the last %s", count,
       count ? u8(seen[count - 1].text) : "(none)");
    RemoveInstallTraces();
}

// ---- pictures (X display): one wizard through its install ----

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

static void CheckPixels(const COLORREF* pixels)
{
    RECT logo = { 20, 12, 92, 84 }, title = { 104, 20, 424, 60 }, info = { 24, 104, 436, 148 };
    RECT margin = { 440, 0, 460, 344 }, above = { 0, 0, 460, 12 };
    ok(CountNear(pixels, 460, margin, 248, 249, 252, 0) == 20 * 344, "right margin all background RGB(248,249,252)");
    ok(CountNear(pixels, 460, above, 248, 249, 252, 0) == 460 * 12, "band above the logo all background (%d of %d pixels)",
       CountNear(pixels, 460, above, 248, 249, 252, 0), 460 * 12);
    ok(CountNear(pixels, 460, logo, 99, 102, 241, 12) > 200, "indigo logo glyph (%d pixels)", CountNear(pixels, 460, logo, 99, 102, 241, 12));
    ok(CountNear(pixels, 460, title, 24, 26, 38, 12) > 150, "near-black title (%d pixels)", CountNear(pixels, 460, title, 24, 26, 38, 12));
    ok(CountNear(pixels, 460, info, 110, 116, 132, 12) > 150, "grey labels (%d pixels)", CountNear(pixels, 460, info, 110, 116, 132, 12));
}

static const RECT STATUS_LINE = { 24, 168, 436, 190 };

// The status line's pixels that are not background.
static int StatusInk(const COLORREF* pixels)
{
    return 412 * 22 - CountNear(pixels, 460, STATUS_LINE, 248, 249, 252, 0);
}

static wchar_t g_pictureDir[MAX_PATH];
static COLORREF g_pixels[460 * 344];
static wchar_t g_resultLine[128];
static int g_resultInk;

static bool SavePicture(Wizard* w, const wchar_t* name)
{
    wchar_t path[MAX_PATH];
    FormatPath(path, L"%s\\%s", g_pictureDir, name);
    return ok(SaveWindowBitmap(w->wnd, path, g_pixels, 460, 344), "saved %s", u8(path));
}

static void test_picture_before(Wizard* w)
{
    g_testContext = "picture before the install";
    MoveToMiddle(w->wnd);
    SetForegroundWindow(w->wnd);
    Sleep(1500);
    if (SavePicture(w, L"wizard-before.bmp")) CheckPixels(g_pixels);
}

static void test_picture_during(Wizard* w)
{
    g_testContext = "picture during the install";
    ok(StartStepWatch(w), "status line followed");
    PressAction(w);
    ok(WaitForStatus(EXPECTED_CAPTIONS[3], 20000), "fourth step shown");
    Sleep(100);
    if (SavePicture(w, L"wizard-during.bmp")) CheckPixels(g_pixels);
}

static void test_picture_after(Wizard* w)
{
    g_testContext = "picture after the install";
    ok(WaitInstallEnded(w, 20000), "install ended within 20 s");
    StopStepWatch();
    Sleep(300);
    if (SavePicture(w, L"wizard-after.bmp")) CheckPixels(g_pixels);
    ControlText(w->wnd, IDC_STATUS, g_resultLine, 128);
    ok(!lstrcmpW(g_resultLine, SUCCESS_LINE), "result line %s", u8(g_resultLine));
    g_resultInk = StatusInk(g_pixels);
    PostMessageW(w->wnd, WM_CLOSE, 0, 0);
    ok(WaitWizardExit(w, 10000) == 0, "exit code after closing");
}

// Overdrawn captions would leave more ink than the longest caption alone:
// compare the status line's ink after the install with a wizard showing only
// the result line.
static void test_no_caption_beneath(const wchar_t* local)
{
    g_testContext = "no caption beneath the result line";
    Wizard fresh;
    if (!Start(&fresh, local)) return;
    MoveToMiddle(fresh.wnd);
    SetForegroundWindow(fresh.wnd);
    SendMessageW(GetDlgItem(fresh.wnd, IDC_STATUS), WM_SETTEXT, 0, (LPARAM)g_resultLine);
    RedrawWindow(fresh.wnd, 0, 0, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(500);
    if (SavePicture(&fresh, L"wizard-result-only.bmp")) {
        int alone = StatusInk(g_pixels);
        ok(g_resultInk <= alone + alone / 20, "status line ink %d, the result line alone %d: no caption left beneath",
           g_resultInk, alone);
    }
    PostMessageW(fresh.wnd, WM_CLOSE, 0, 0);
    WaitWizardExit(&fresh, 10000);
}

static int RunPictures(const wchar_t* pictureDir)
{
    lstrcpyW(g_pictureDir, pictureDir);
    CreateDirectoryW(g_pictureDir, 0);
    wchar_t root[MAX_PATH], local[MAX_PATH], edge[MAX_PATH], log[MAX_PATH];
    MakeTempDir(L"screens", root);
    FormatPath(local, L"%s\\Local", root);
    CreateDirectoryW(local, 0);
    FormatPath(log, L"%s\\edge.log", root);
    PlaceStandInBrowser(g_recorderExe, local, log, edge);
    Wizard w;
    if (Start(&w, local)) {
        test_picture_before(&w);
        test_picture_during(&w);
        test_picture_after(&w);
        test_no_caption_beneath(local);
    }
    RemoveInstallTraces();
    DeleteTree(root);
    return test_summary("wizard screenshots");
}

static void RunWindow()
{
    wchar_t root[MAX_PATH];
    MakeTempDir(L"layout", root);
    Wizard w;
    if (Start(&w, root)) {
        test_window_frame(&w);
        test_control_order(&w);
        test_control_places_and_texts(&w);
        test_control_fonts_and_colours(&w);
        test_class_brush_and_icons(&w);
        test_ready_state(&w);
        test_close_when_ready(&w);
    }
    DeleteTree(root);
}

// The installed tree stays until the next run, for the browser that opens it.
static void RunRoad()
{
    wchar_t temp[MAX_PATH], root[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    FormatPath(root, L"%stally-road", temp);
    DeleteTree(root);
    CreateDirectoryW(root, 0);
    Wizard w;
    if (StartRoad(root, &w)) {
        test_install_steps(&w);
        test_installed_files();
        test_shortcuts_and_keys();
        test_launch(&w);
    }
    RemoveInstallTraces();
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) { printf("usage: test_wizard <tallyinstall.exe> <recorder.exe> [screens <dir>]\n"); return 2; }
    ArgToWindowsPath(argv[1], g_setupExe);
    ArgToWindowsPath(argv[2], g_recorderExe);
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    if (argc >= 5 && !lstrcmpW(argv[3], L"screens")) {
        wchar_t pictureDir[MAX_PATH];
        ArgToWindowsPath(argv[4], pictureDir);
        return RunPictures(pictureDir);
    }
    RunWindow();
    RunRoad();
    wchar_t root[MAX_PATH];
    MakeTempDir(L"failed", root);
    test_failed_install(root);
    DeleteTree(root);
    MakeTempDir(L"close", root);
    test_close_while_installing(root);
    DeleteTree(root);
    return test_summary("wizard");
}
