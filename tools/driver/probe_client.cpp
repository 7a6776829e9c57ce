// The driver's side of the window probe: loads the hook into the thread that
// owns a window, asks, and reads the answer from the shared mapping.
#include "window_probe.h"
#include "process_windows.h"

static HANDLE g_mapping;
static ProbeShared* g_shared;
static HMODULE g_probeDll;
static HHOOK g_statusHook;

static bool ProbeDllPath(wchar_t* path)
{
    DWORD length = GetModuleFileNameW(0, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    *wcsrchr(path, L'\\') = 0;
    wchar_t beside[MAX_PATH];
    if (FormatWithin(beside, MAX_PATH, L"%s\\window_probe.dll", path)
        && GetFileAttributesW(beside) != INVALID_FILE_ATTRIBUTES) {
        lstrcpyW(path, beside);
        return true;
    }
    wchar_t* area = wcsrchr(path, L'\\');
    if (!area) return false;
    *area = 0;
    wchar_t* tests = wcsrchr(path, L'\\');
    if (!tests) return false;
    *tests = 0;
    if (!FormatWithin(beside, MAX_PATH, L"%s\\tools\\window_probe.dll", path)) return false;
    lstrcpyW(path, beside);
    return true;
}

static bool Ready()
{
    if (!g_mapping) {
        g_mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, 0, PAGE_READWRITE, 0, sizeof(ProbeShared), WINDOW_PROBE_MAPPING);
        g_shared = g_mapping ? (ProbeShared*)MapViewOfFile(g_mapping, FILE_MAP_WRITE, 0, 0, sizeof(ProbeShared)) : 0;
        wchar_t path[MAX_PATH];
        g_probeDll = ProbeDllPath(path) ? LoadLibraryW(path) : 0;
    }
    return g_shared && g_probeDll;
}

bool ProbeControl(HWND wnd, int id, ProbeResult* out)
{
    if (!Ready()) return false;
    HOOKPROC proc = (HOOKPROC)(void*)GetProcAddress(g_probeDll, "ProbeHookProc");
    HHOOK hook = proc ? SetWindowsHookExW(WH_CALLWNDPROC, proc, g_probeDll, GetWindowThreadProcessId(wnd, 0)) : 0;
    if (!hook) return false;
    ZeroMemory(&g_shared->result, sizeof g_shared->result);
    SendMessageTimeoutW(wnd, RegisterWindowMessageW(WINDOW_PROBE_MESSAGE), id, 0, SMTO_NORMAL, 5000, 0);
    UnhookWindowsHookEx(hook);
    *out = g_shared->result;
    return out->answered != 0;
}

bool StartStatusRecord(HWND wnd, int statusId, int progressId)
{
    if (!Ready()) return false;
    StopStatusRecord();
    StatusRecord* record = &g_shared->status;
    ZeroMemory(record, sizeof *record);
    record->window = (LONG_PTR)wnd;
    record->statusId = statusId;
    record->progressId = progressId;
    HOOKPROC proc = (HOOKPROC)(void*)GetProcAddress(g_probeDll, "StatusHookProc");
    g_statusHook = proc ? SetWindowsHookExW(WH_CALLWNDPROCRET, proc, g_probeDll, GetWindowThreadProcessId(wnd, 0)) : 0;
    if (!g_statusHook) return false;
    // Wine maps a hook DLL into the other process when the hook is first
    // called there: have that happen now, not with the first change.
    SendMessageTimeoutW(wnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, 0);
    return true;
}

int ReadStatusRecord(StatusSeen* out, int capacity)
{
    if (!g_shared) return 0;
    int count = (int)InterlockedCompareExchange((LONG*)&g_shared->status.count, 0, 0);
    if (count > capacity) count = capacity;
    for (int i = 0; i < count; ++i) out[i] = g_shared->status.seen[i];
    return count;
}

void StopStatusRecord()
{
    if (g_statusHook) UnhookWindowsHookEx(g_statusHook);
    g_statusHook = 0;
}
