// One headless install: the worker's seven steps against a hidden window,
// into the folder LOCALAPPDATA names. Exits 0 when the install succeeded.
#include "../setup/install_plan.h"
#include "../setup/install_worker.h"
#include <objbase.h>

static LRESULT CALLBACK DoneWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETUP_DONE) PostQuitMessage(wParam ? 0 : 1);
    return DefWindowProcW(wnd, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    ComputeInstallPaths();
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DoneWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"TallyHeadless";
    RegisterClassW(&wc);
    HWND wnd = CreateWindowW(L"TallyHeadless", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, instance, 0);
    HANDLE worker = CreateThread(0, 0, InstallThreadProc, wnd, 0, 0);
    if (worker) CloseHandle(worker);
    MSG msg = {};
    while (GetMessageW(&msg, 0, 0, 0) > 0) DispatchMessageW(&msg);
    CoUninitialize();
    return (int)msg.wParam;
}
