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
    InstallFailure failure = INSTALL_FAILED_NOTHING;
    for (int step = 0; step < INSTALL_STEP_COUNT; ++step) {
        const InstallStep& s = InstallStepTable[step];
        PostMessageW(wnd, WM_SETUP_STEP, (WPARAM)step, 0);
        if (!s.action(&context)) failure = WorseFailure(failure, s.failure);
        Sleep(s.pauseMs);
    }
    PostMessageW(wnd, WM_SETUP_DONE, failure == INSTALL_FAILED_NOTHING ? 1 : 0, (LPARAM)failure);
    CoUninitialize();
    return 0;
}
