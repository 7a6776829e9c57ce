// The installation worker: seven announced steps on a thread of their own.
#pragma once
#include <windows.h>

#define WM_SETUP_STEP (WM_APP + 1)  // wParam: the step that is starting
// wParam: 1 when every file, shortcut and value landed; lParam: else what
// failed first by the result line's order (an InstallFailure).
#define WM_SETUP_DONE (WM_APP + 2)

DWORD WINAPI InstallThreadProc(LPVOID notifyWnd);
