// The driver's side of the window probe: loads the hook into the thread that
// owns a window, asks, and reads the answer from the shared mapping.
#include "window_probe.h"
#include "ok.h"

bool ProbeControl(HWND wnd, int id, ProbeResult* out)
{
    static HANDLE mapping = 0;
    static ProbeResult* shared = 0;
    static HMODULE dll = 0;
    static HOOKPROC proc = 0;
    if (!mapping) {
        mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, 0, PAGE_READWRITE, 0, sizeof(ProbeResult), WINDOW_PROBE_MAPPING);
        shared = (ProbeResult*)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(ProbeResult));
        wchar_t path[MAX_PATH];
        OwnPath(path);
        *wcsrchr(path, L'\\') = 0;
        *wcsrchr(path, L'\\') = 0;
        lstrcatW(path, L"\\window_probe.dll");
        dll = LoadLibraryW(path);
        proc = dll ? (HOOKPROC)(void*)GetProcAddress(dll, "ProbeHookProc") : 0;
    }
    if (!shared || !proc) return false;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, proc, dll, GetWindowThreadProcessId(wnd, 0));
    if (!hook) return false;
    ZeroMemory(shared, sizeof *shared);
    SendMessageTimeoutW(wnd, RegisterWindowMessageW(WINDOW_PROBE_MESSAGE), id, 0, SMTO_NORMAL, 5000, 0);
    UnhookWindowsHookEx(hook);
    *out = *shared;
    return out->answered != 0;
}
