// A hook DLL that the wizard driver loads into the wizard's process. Under Wine
// fonts, class data and the colours a window procedure answers cannot be read
// from another process, so the probe reads them in place and writes them to a
// shared mapping. It also follows a status line there: a driver polling from
// outside can miss a caption that shows only briefly on a loaded machine.
#include "window_probe.h"
#include <commctrl.h>

static UINT ProbeMessage()
{
    static UINT message = 0;
    if (!message) message = RegisterWindowMessageW(WINDOW_PROBE_MESSAGE);
    return message;
}

// Icons are per process under Wine, so the system's icons are compared by
// their pixels, here in the process that shows them.
static bool SamePicture(HICON a, HICON b)
{
    ICONINFO ia, ib;
    if (!GetIconInfo(a, &ia)) return false;
    if (!GetIconInfo(b, &ib)) { DeleteObject(ia.hbmMask); DeleteObject(ia.hbmColor); return false; }
    bool same = false;
    BITMAP ba, bb;
    if (ia.hbmColor && ib.hbmColor && GetObjectW(ia.hbmColor, sizeof ba, &ba) && GetObjectW(ib.hbmColor, sizeof bb, &bb) &&
        ba.bmWidth == bb.bmWidth && ba.bmHeight == bb.bmHeight && ba.bmBitsPixel == bb.bmBitsPixel) {
        LONG bytes = ba.bmWidthBytes * ba.bmHeight;
        static unsigned char pa[256 * 256 * 4], pb[256 * 256 * 4];
        same = bytes <= (LONG)sizeof pa && GetBitmapBits(ia.hbmColor, bytes, pa) == bytes &&
               GetBitmapBits(ib.hbmColor, bytes, pb) == bytes && !memcmp(pa, pb, bytes);
    }
    DeleteObject(ia.hbmMask); DeleteObject(ia.hbmColor);
    DeleteObject(ib.hbmMask); DeleteObject(ib.hbmColor);
    return same;
}

static int IconKind(HWND control)
{
    if ((GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return PROBE_ICON_NONE;
    HICON icon = (HICON)SendMessageW(control, STM_GETICON, 0, 0);
    if (!icon) return PROBE_ICON_NONE;
    static const struct { LPCWSTR id; int kind; } kinds[] = {
        { IDI_INFORMATION, PROBE_ICON_INFORMATION }, { IDI_WARNING, PROBE_ICON_WARNING },
        { IDI_ERROR, PROBE_ICON_ERROR }, { IDI_QUESTION, PROBE_ICON_QUESTION },
    };
    for (auto& k : kinds) {
        HICON system = LoadIconW(0, k.id);
        if (icon == system || SamePicture(icon, system)) return k.kind;
    }
    return PROBE_ICON_OTHER;
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
    r->iconKind = IconKind(control);
    r->answered = 1;
}

static ProbeShared* OpenShared(HANDLE* mapping)
{
    *mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, WINDOW_PROBE_MAPPING);
    if (!*mapping) return 0;
    ProbeShared* shared = (ProbeShared*)MapViewOfFile(*mapping, FILE_MAP_WRITE, 0, 0, sizeof(ProbeShared));
    if (!shared) CloseHandle(*mapping);
    return shared;
}

static void CloseShared(HANDLE mapping, ProbeShared* shared)
{
    UnmapViewOfFile(shared);
    CloseHandle(mapping);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && call->message == ProbeMessage()) {
        HANDLE mapping;
        if (ProbeShared* shared = OpenShared(&mapping)) {
            Probe(call->hwnd, (int)call->wParam, &shared->result);
            CloseShared(mapping, shared);
        }
    }
    return CallNextHookEx(0, code, wParam, lParam);
}

// After the control has taken the change: a new text starts an entry with the
// bar's position at that moment, a new position updates the latest entry.
static void Follow(HWND control, UINT message)
{
    HANDLE mapping;
    ProbeShared* shared = OpenShared(&mapping);
    if (!shared) return;
    StatusRecord* record = &shared->status;
    HWND parent = GetParent(control);
    int id = GetDlgCtrlID(control);
    if (parent && (LONG_PTR)parent == record->window) {
        HWND progress = GetDlgItem(parent, record->progressId);
        LONG count = record->count;
        if (message == WM_SETTEXT && id == record->statusId && count < STATUS_RECORD_CAPACITY) {
            StatusSeen* entry = &record->seen[count];
            GetWindowTextW(control, entry->text, ARRAYSIZE(entry->text));
            entry->position = progress ? (LONG)SendMessageW(progress, PBM_GETPOS, 0, 0) : 0;
            InterlockedIncrement(&record->count);
        } else if (message == PBM_SETPOS && id == record->progressId && count > 0) {
            record->seen[count - 1].position = (LONG)SendMessageW(control, PBM_GETPOS, 0, 0);
        }
    }
    CloseShared(mapping, shared);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK StatusHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* call = (const CWPRETSTRUCT*)lParam;
    if (code == HC_ACTION && (call->message == WM_SETTEXT || call->message == PBM_SETPOS)) Follow(call->hwnd, call->message);
    return CallNextHookEx(0, code, wParam, lParam);
}
