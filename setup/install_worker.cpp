// The installation worker. It talks to the wizard only by posting messages,
// and reads InstallDir/AppExePath, which nobody changes once it runs.
#include "install_worker.h"
#include "install_plan.h"
#include "install_steps.h"
#include <objbase.h>

DWORD WINAPI InstallThreadProc(LPVOID notifyWnd)
{
    HWND wnd = (HWND)notifyWnd;
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    InstallContext context = { EstimatedSizeKb(LauncherPayload().size, PagePayload().size) };

    // A failing step never stops the sequence, and nothing sets the result back.
    BOOL result = TRUE;
    for (int step = 0; step < INSTALL_STEP_COUNT; ++step) {
        PostMessageW(wnd, WM_SETUP_STEP, (WPARAM)step, 0);
        if (!InstallStepTable[step].action(&context)) result = FALSE;
        Sleep(InstallStepTable[step].pauseMs);
    }
    PostMessageW(wnd, WM_SETUP_DONE, result ? 1 : 0, 0);
    CoUninitialize();
    return 0;
}
