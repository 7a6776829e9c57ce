// The wizard's one window: class, controls and window procedure.
#pragma once
#include <windows.h>

#define IDC_ACTION   1001
#define IDC_STATUS   1002
#define IDC_PROGRESS 1003
#define IDC_LOGO     2001
#define IDC_TITLE    2002
#define IDC_SUBTITLE 2003
#define IDC_INFO     2004
#define IDC_HINT     2006

// Drivers find the wizard's window by its class.
#define WIZARD_CLASS_NAME L"QZSetupWnd"

#define WIZARD_CLIENT_WIDTH  460
#define WIZARD_CLIENT_HEIGHT 344
#define WIZARD_STYLE (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)

extern HWND g_mainWnd;

// Registers the class and creates the window with its eight controls; false when
// the window itself could not be made.
BOOL CreateWizardWindow(HINSTANCE instance);
// For the message loop: Enter on the focused button presses it; true when
// the message was that key (it is then not dispatched).
BOOL PressActionByKey(const MSG* msg);
LRESULT CALLBACK SetupWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
