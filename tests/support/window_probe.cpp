// A hook DLL that the wizard driver loads into the wizard's process. Under Wine
// fonts, class data and the colours a window procedure answers cannot be read
// from another process, so the probe reads them in place and writes them to a
// shared mapping.
#include "window_probe.h"

static UINT ProbeMessage()
{
    static UINT message = 0;
    if (!message) message = RegisterWindowMessageW(WINDOW_PROBE_MESSAGE);
    return message;
}

static void Probe(HWND main, int controlId, ProbeResult* r)
{
    ZeroMemory(r, sizeof *r);
    HWND control = GetDlgItem(main, controlId);
    HFONT font = (HFONT)SendMessageW(control, WM_GETFONT, 0, 0);
    r->hasFont = font && GetObjectW(font, sizeof r->font, &r->font) == sizeof r->font;

    HDC dc = CreateCompatibleDC(0);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkMode(dc, OPAQUE);
    HBRUSH answer = (HBRUSH)SendMessageW(main, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)control);
    r->nullBrush = answer == (HBRUSH)GetStockObject(NULL_BRUSH);
    r->textColour = GetTextColor(dc);
    r->backgroundMode = GetBkMode(dc);

    LOGBRUSH brush;
    HBRUSH classBrush = (HBRUSH)GetClassLongPtrW(main, GCLP_HBRBACKGROUND);
    if (classBrush && GetObjectW(classBrush, sizeof brush, &brush) == sizeof brush) {
        r->classBrushSolid = brush.lbStyle == BS_SOLID;
        r->classBrushColour = brush.lbColor;
    }
    r->classIcon = GetClassLongPtrW(main, GCLP_HICON) != 0;
    r->classSmallIcon = GetClassLongPtrW(main, GCLP_HICONSM) != 0;

    wchar_t text[256], cjk[256];
    int n = GetWindowTextW(control, text, 256), count = 0;
    for (int i = 0; i < n; ++i) if (text[i] >= 0x4E00 && text[i] <= 0x9FFF) cjk[count++] = text[i];
    r->cjkCharacters = count;
    if (count && font) {
        HGDIOBJ old = SelectObject(dc, font);
        WORD glyphs[256];
        if (GetGlyphIndicesW(dc, cjk, count, glyphs, GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR)
            for (int i = 0; i < count; ++i) if (glyphs[i] == 0xFFFF) ++r->missingGlyphs;
        SelectObject(dc, old);
    }
    DeleteDC(dc);
    r->answered = 1;
}

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && call->message == ProbeMessage()) {
        HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, WINDOW_PROBE_MAPPING);
        if (mapping) {
            ProbeResult* r = (ProbeResult*)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(ProbeResult));
            if (r) {
                Probe(call->hwnd, (int)call->wParam, r);
                UnmapViewOfFile(r);
            }
            CloseHandle(mapping);
        }
    }
    return CallNextHookEx(0, code, wParam, lParam);
}
