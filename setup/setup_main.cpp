// The setup program's entry: plan paths, COM and common controls, the wizard
// window, and the message loop. Always exits with 0.
#include "install_plan.h"
#include "../common/dll_search.h"
#include "wizard_window.h"
#include <commctrl.h>
#include <objbase.h>

typedef void (WINAPI* InitCommonControlsFn)();

// comctl32 is not a KnownDLL: imported statically, a copy planted beside the
// setup program in Downloads would be mapped before the entry runs.
static void InitSystemCommonControls()
{
    HMODULE comctl = LoadSystemLibrary(L"comctl32.dll");
    InitCommonControlsFn init = comctl ? (InitCommonControlsFn)(void*)GetProcAddress(comctl, "InitCommonControls") : 0;
    if (init) init();
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    RestrictDllSearchToSystem();
    ComputeInstallPaths();
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    InitSystemCommonControls();

    // Without a window nothing could ever end the message loop.
    if (!CreateWizardWindow(instance)) {
        CoUninitialize();
        return 0;
    }
    ShowWindow(g_mainWnd, showCommand);
    UpdateWindow(g_mainWnd);

    MSG msg;
    while (GetMessageW(&msg, 0, 0, 0) > 0) {
        if (PressActionByKey(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    CoUninitialize();
    return 0;
}
