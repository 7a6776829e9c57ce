#include "wizard_driver.h"
#include "../../setup/wizard_window.h"
#include <commctrl.h>
#include <shlobj.h>

bool StartWizard(Wizard* w, const wchar_t* setupExe, const wchar_t* localAppData)
{
    SetEnvironmentVariableW(L"LOCALAPPDATA", localAppData);
    wchar_t command[MAX_PATH + 4];
    ZeroMemory(w, sizeof *w);
    if (!FormatWithin(command, MAX_PATH + 4, L"\"%s\"", setupExe)) return false;
    STARTUPINFOW si = { sizeof si };
    if (!CreateProcessW(0, command, 0, 0, FALSE, 0, 0, 0, &si, &w->process)) return false;
    for (int i = 0; i < 3000 && !w->wnd; ++i) {
        w->wnd = FindWindowOf(w->process.dwProcessId, WIZARD_CLASS_NAME, 0);
        if (!w->wnd) Sleep(10);
    }
    // The controls are made right after the window: wait until the last one exists.
    for (int i = 0; i < 500 && w->wnd && !GetDlgItem(w->wnd, IDC_HINT); ++i) Sleep(10);
    return w->wnd != 0;
}

DWORD WaitWizardExit(Wizard* w, DWORD ms)
{
    DWORD code = 0xDEAD;
    if (!w->process.hProcess) return code;
    if (WaitForSingleObject(w->process.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(w->process.hProcess, &code);
    else TerminateProcess(w->process.hProcess, 0xDEAD);
    CloseHandle(w->process.hProcess);
    CloseHandle(w->process.hThread);
    w->process.hProcess = w->process.hThread = 0;
    return code;
}

void PressAction(Wizard* w)
{
    SendMessageW(GetDlgItem(w->wnd, IDC_ACTION), BM_CLICK, 0, 0);
}

LRESULT ProgressPosition(Wizard* w)
{
    return SendMessageW(GetDlgItem(w->wnd, IDC_PROGRESS), PBM_GETPOS, 0, 0);
}

bool StartStepWatch(Wizard* w)
{
    return StartStatusRecord(w->wnd, IDC_STATUS, IDC_PROGRESS);
}

int ReadSteps(StatusSeen* out, int capacity)
{
    return ReadStatusRecord(out, capacity);
}

bool WaitForStatus(const wchar_t* prefix, DWORD ms)
{
    static StatusSeen seen[STATUS_RECORD_CAPACITY];
    int length = lstrlenW(prefix);
    DWORD start = GetTickCount();
    do {
        int count = ReadStatusRecord(seen, STATUS_RECORD_CAPACITY);
        for (int i = 0; i < count; ++i)
            if (!wcsncmp(seen[i].text, prefix, length)) return true;
        Sleep(5);
    } while (GetTickCount() - start < ms);
    return false;
}

bool WaitInstallEnded(Wizard* w, DWORD ms)
{
    HWND button = GetDlgItem(w->wnd, IDC_ACTION);
    DWORD start = GetTickCount();
    while (!IsWindowEnabled(button)) {
        if (GetTickCount() - start >= ms || !IsWindow(button)) return false;
        Sleep(10);
    }
    return true;
}

void StopStepWatch()
{
    StopStatusRecord();
}

void MoveToMiddle(HWND wnd)
{
    RECT work, r;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(wnd, &r);
    SetWindowPos(wnd, 0, (work.left + work.right - (r.right - r.left)) / 2, (work.top + work.bottom - (r.bottom - r.top)) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

bool SaveWindowBitmap(HWND wnd, const wchar_t* path, COLORREF* pixels, int width, int height)
{
    RECT outer;
    GetWindowRect(wnd, &outer);
    POINT origin = { 0, 0 };
    ClientToScreen(wnd, &origin);
    int outerWidth = outer.right - outer.left, outerHeight = outer.bottom - outer.top;
    static COLORREF whole[1024 * 768];
    if (outerWidth < width || outerHeight < height || outerWidth * outerHeight > 1024 * 768) return false;
    HDC screen = GetDC(0);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, outerWidth, outerHeight);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, outerWidth, outerHeight, screen, outer.left, outer.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = outerWidth;
    bi.bmiHeader.biHeight = -outerHeight;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, outerHeight, whole, &bi, DIB_RGB_COLORS);
    // The fourth byte is not alpha here; make it opaque so viewers agree.
    for (int i = 0; i < outerWidth * outerHeight; ++i) whole[i] |= 0xFF000000;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(0, screen);
    for (int y = 0; pixels && y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[y * width + x] = whole[(y + origin.y - outer.top) * outerWidth + (x + origin.x - outer.left)];

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof bi.bmiHeader;
    file.bfSize = file.bfOffBits + outerWidth * outerHeight * 4;
    HANDLE out = CreateFileW(path, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written, total = 0;
    WriteFile(out, &file, sizeof file, &written, 0);
    total += written;
    WriteFile(out, &bi.bmiHeader, sizeof bi.bmiHeader, &written, 0);
    total += written;
    WriteFile(out, whole, outerWidth * outerHeight * 4, &written, 0);
    total += written;
    CloseHandle(out);
    return total == file.bfSize;
}

bool PlaceStandInBrowser(const wchar_t* recorderExe, const wchar_t* localAppData, const wchar_t* log, wchar_t* edge)
{
    wchar_t folder[MAX_PATH];
    if (!FormatWithin(folder, MAX_PATH, L"%s\\Microsoft\\Edge\\Application", localAppData)
        || !FormatWithin(edge, MAX_PATH, L"%s\\msedge.exe", folder))
        return false;
    SHCreateDirectoryExW(0, folder, 0);
    SetEnvironmentVariableW(L"TALLY_RECORD_FILE", log);
    return CopyFileW(recorderExe, edge, FALSE) != 0;
}

unsigned char* WaitForRecordedCommand(const wchar_t* log, DWORD* bytes, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        unsigned char* recorded = ReadWholeFile(log, bytes);
        if (*bytes) return recorded;
        if (recorded) HeapFree(GetProcessHeap(), 0, recorded);
        if (GetTickCount() - start >= ms) return 0;
        Sleep(100);
    }
}
