// The setup program's entry: plan paths, COM and common controls, the wizard
// window, and the message loop. Always exits with 0.
#include "install_plan.h"
#include "wizard_window.h"
#include <commctrl.h>
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    ComputeInstallPaths();
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    InitCommonControls();

    // Without a window nothing could ever end the message loop.
    if (!CreateWizardWindow(instance)) {
        CoUninitialize();
        return 0;
    }
    ShowWindow(g_mainWnd, showCommand);
    UpdateWindow(g_mainWnd);

    MSG msg;
    while (GetMessageW(&msg, 0, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    CoUninitialize();
    return 0;
}
