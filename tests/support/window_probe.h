// What the window probe reports about one control of another process's window.
#pragma once
#include <windows.h>

#define WINDOW_PROBE_MAPPING L"Local\\TallyWindowProbe"
#define WINDOW_PROBE_MESSAGE L"TallyWindowProbe"

struct ProbeResult {
    LONG answered;
    BOOL hasFont;
    LOGFONTW font;
    COLORREF textColour;
    int backgroundMode;
    BOOL nullBrush;              // the colour message answered with the hollow stock brush
    BOOL classBrushSolid;
    COLORREF classBrushColour;
    BOOL classIcon, classSmallIcon;
    int cjkCharacters;           // CJK characters in the control's text
    int missingGlyphs;           // of those, how many the control's font lacks
    int iconKind;                // an icon control's picture: one of PROBE_ICON_*
};

enum { PROBE_ICON_NONE, PROBE_ICON_OTHER, PROBE_ICON_INFORMATION, PROBE_ICON_WARNING, PROBE_ICON_ERROR, PROBE_ICON_QUESTION };

// Asks the probe, loaded into the process that owns wnd, about its control id.
// The probe DLL is found beside the tests' area folders (build/tests).
bool ProbeControl(HWND wnd, int id, ProbeResult* out);
