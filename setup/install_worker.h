// The installation worker: seven announced steps on a thread of their own.
#pragma once
#include <windows.h>

#define WM_SETUP_STEP (WM_APP + 1)  // wParam: the step that is starting
#define WM_SETUP_DONE (WM_APP + 2)  // wParam: 1 when every file, shortcut and value landed

DWORD WINAPI InstallThreadProc(LPVOID notifyWnd);
