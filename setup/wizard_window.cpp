// The wizard window: its controls, and a window procedure that turns the
// worker's two notifications into captions, progress and the button's states.
#include "wizard_window.h"
#include "install_plan.h"
#include "install_worker.h"
#include "install_steps.h"
#include <commctrl.h>
#include <shellapi.h>

HWND g_mainWnd;
static HWND g_progressWnd;
static HWND g_statusWnd;
static HWND g_actionWnd;
static BYTE g_installStarted;
static BYTE g_installFinished;

static const wchar_t WIZARD_CAPTION[] = L"青禾书苑 · 安装向导";
static const wchar_t FONT_FACE[] = L"Microsoft YaHei UI";
static const wchar_t TEXT_INSTALLING[] = L"正在安装…";
static const wchar_t TEXT_SUCCESS[] = L"✓ 安装完成！已在桌面和开始菜单创建快捷方式";
static const wchar_t TEXT_FAILURE[] = L"⚠ 部分文件释放失败，请检查磁盘权限后重试";
static const wchar_t TEXT_SHORTCUTS_FAILED[] = L"⚠ 程序已安装，但未能创建全部快捷方式（可能被安全软件阻止）";
static const wchar_t TEXT_REGISTRY_FAILED[] = L"⚠ 程序已安装，但未能写入卸载信息，请重新运行安装程序";
static const wchar_t TEXT_LAUNCH[] = L"启动程序 →";

struct ControlPlan {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int x, y, width, height;
    int fontHeight;  // 0: no font of its own
    BOOL bold;
};

// Created in this order.
static const ControlPlan CONTROLS[] = {
    { IDC_LOGO, L"STATIC", L"禾", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, 20, 12, 72, 72, -52, TRUE },
    { IDC_TITLE, L"STATIC", L"青禾书苑", WS_CHILD | WS_VISIBLE, 104, 20, 320, 40, -26, TRUE },
    { IDC_SUBTITLE, L"STATIC", L"Tallybook 桌面版 · 安装向导 v" TALLY_VERSION_TEXT, WS_CHILD | WS_VISIBLE, 106, 62, 330, 24, -13, FALSE },
    { IDC_INFO, L"STATIC",
      L"安装位置：%LOCALAPPDATA%\\Tallybook\n将创建桌面快捷方式、开始菜单快捷方式，并注册系统卸载项。",
      WS_CHILD | WS_VISIBLE, 24, 104, 412, 44, -13, FALSE },
    { IDC_STATUS, L"STATIC", L"准备就绪，点击下方按钮开始安装。", WS_CHILD | WS_VISIBLE, 24, 168, 412, 22, -13, FALSE },
    { IDC_PROGRESS, PROGRESS_CLASSW, 0, WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 24, 196, 412, 22, 0, FALSE },
    { IDC_ACTION, L"BUTTON", L"开始安装", WS_CHILD | WS_VISIBLE, 24, 234, 150, 38, -15, TRUE },
    { IDC_HINT, L"STATIC",
      L"提示：完成后可双击桌面“青禾书苑”启动；随时可运行 tallyuninstall.exe 卸载。",
      WS_CHILD | WS_VISIBLE, 24, 288, 412, 40, -12, FALSE },
};

static void ApplyControlFont(HWND control, int height, BOOL bold)
{
    HFONT font = CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, FONT_FACE);
    SendMessageW(control, WM_SETFONT, (WPARAM)font, TRUE);
}

// Labels are drawn transparently over the window's brush, so a new caption
// would land on top of the old one: repaint the background beneath first.
static void SetLabelText(HWND label, const wchar_t* text)
{
    SetWindowTextW(label, text);
    RECT area;
    GetWindowRect(label, &area);
    MapWindowPoints(HWND_DESKTOP, GetParent(label), (POINT*)&area, 2);
    RedrawWindow(GetParent(label), &area, 0, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

static COLORREF LabelColour(int id)
{
    if (id == IDC_LOGO) return RGB(99, 102, 241);
    if (id == IDC_TITLE) return RGB(24, 26, 38);
    return RGB(110, 116, 132);
}

static const wchar_t* ResultLine(WPARAM whole, LPARAM failure)
{
    if (whole) return TEXT_SUCCESS;
    if (failure == INSTALL_FAILED_SHORTCUTS) return TEXT_SHORTCUTS_FAILED;
    if (failure == INSTALL_FAILED_REGISTRY) return TEXT_REGISTRY_FAILED;
    return TEXT_FAILURE;
}

// Keys go to the button whenever it can take them, so the install can be
// started and the program launched from the keyboard; else to the window,
// which ignores them.
static void FocusAction(HWND wnd)
{
    SetFocus(IsWindowEnabled(g_actionWnd) ? g_actionWnd : wnd);
}

static void OnActionPressed(HWND wnd)
{
    if (!g_installStarted) {
        g_installStarted = 1;
        EnableWindow(g_actionWnd, FALSE);
        FocusAction(wnd);
        SetLabelText(g_statusWnd, TEXT_INSTALLING);
        HANDLE worker = CreateThread(0, 0, InstallThreadProc, wnd, 0, 0);
        if (worker) CloseHandle(worker);
    } else if (g_installFinished == 1) {
        // Without a whole install path there is no launcher of ours to start.
        if (InstallPathsWhole) ShellExecuteW(0, L"open", AppExePath, 0, 0, SW_SHOWNORMAL);
        DestroyWindow(wnd);
    }
    // Otherwise the install is still running: nothing to do.
}

LRESULT CALLBACK SetupWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_ACTION) OnActionPressed(wnd);
        return 0;
    case WM_SETUP_STEP:
        if (wParam < (WPARAM)INSTALL_STEP_COUNT) SetLabelText(g_statusWnd, InstallStepTable[wParam].caption);
        SendMessageW(g_progressWnd, PBM_SETPOS, (wParam * 100 + 100) / INSTALL_STEP_COUNT, 0);
        return 0;
    case WM_SETUP_DONE:
        g_installFinished = 1;
        SendMessageW(g_progressWnd, PBM_SETPOS, 100, 0);
        SetLabelText(g_statusWnd, ResultLine(wParam, lParam));
        EnableWindow(g_actionWnd, TRUE);
        SetWindowTextW(g_actionWnd, TEXT_LAUNCH);
        SetFocus(g_actionWnd);
        return 0;
    case WM_ACTIVATE:
        // The default would give the focus to the window itself, where no key does anything.
        if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) {
            FocusAction(wnd);
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
        SetBkMode((HDC)wParam, TRANSPARENT);
        SetTextColor((HDC)wParam, LabelColour(GetDlgCtrlID((HWND)lParam)));
        return (LRESULT)GetStockObject(NULL_BRUSH);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, message, wParam, lParam);
}

BOOL PressActionByKey(const MSG* msg)
{
    // A plain push button answers Space itself; Enter is a dialog's key, given here.
    if (msg->message != WM_KEYDOWN || msg->wParam != VK_RETURN || msg->hwnd != g_actionWnd) return FALSE;
    if (IsWindowEnabled(g_actionWnd) && !(msg->lParam & (1 << 30))) SendMessageW(g_actionWnd, BM_CLICK, 0, 0);
    return TRUE;
}

BOOL CreateWizardWindow(HINSTANCE instance)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = SetupWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorW(0, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(RGB(248, 249, 252));
    wc.lpszClassName = WIZARD_CLASS_NAME;
    RegisterClassExW(&wc);

    RECT outer = { 0, 0, WIZARD_CLIENT_WIDTH, WIZARD_CLIENT_HEIGHT };
    AdjustWindowRect(&outer, WIZARD_STYLE, FALSE);
    g_mainWnd = CreateWindowExW(0, WIZARD_CLASS_NAME, WIZARD_CAPTION, WIZARD_STYLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                outer.right - outer.left, outer.bottom - outer.top, 0, 0, instance, 0);
    if (!g_mainWnd) return FALSE;

    for (const ControlPlan& c : CONTROLS) {
        HWND control = CreateWindowExW(0, c.className, c.text, c.style, c.x, c.y, c.width, c.height,
                                       g_mainWnd, (HMENU)(INT_PTR)c.id, instance, 0);
        if (c.fontHeight) ApplyControlFont(control, c.fontHeight, c.bold);
        switch (c.id) {
        case IDC_STATUS: g_statusWnd = control; break;
        case IDC_PROGRESS:
            g_progressWnd = control;
            SendMessageW(control, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
            break;
        case IDC_ACTION: g_actionWnd = control; break;
        }
    }
    return TRUE;
}
