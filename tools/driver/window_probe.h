// The window probe: a hook DLL loaded into the process that owns a window.
// It answers questions about one control, and it can follow a status line,
// writing both into one shared mapping the driver reads.
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

#define STATUS_RECORD_CAPACITY 32

struct StatusSeen {
    wchar_t text[128];
    LONG position;               // the progress bar's position last set while the text showed
};

// Every text the status control was given, in order, written by the probe in
// the window's own thread as it happens: no change is missed however late the
// driver looks.
struct StatusRecord {
    LONG_PTR window;             // the driver's: whose children to follow
    int statusId, progressId;
    volatile LONG count;         // entries written whole
    StatusSeen seen[STATUS_RECORD_CAPACITY];
};

struct ProbeShared {
    ProbeResult result;
    StatusRecord status;
};

// Asks the probe, loaded into the process that owns wnd, about its control id.
// The probe DLL lies in the build's tools folder: beside the running program,
// or, for a test in build/tests/<area>, in ..\..\tools.
bool ProbeControl(HWND wnd, int id, ProbeResult* out);

// Starts following wnd's status control statusId (and its progress bar
// progressId): every text it is given from now on, with the position. Start it
// before whatever changes the text. One window at a time.
bool StartStatusRecord(HWND wnd, int statusId, int progressId);
// Copies the entries so far into out; returns their number.
int ReadStatusRecord(StatusSeen* out, int capacity);
void StopStatusRecord();
