// Drives tallyinstall.exe from outside, as a user would: start it, find its
// window, press its button, follow its status line, picture it, and stand in
// for the browser the installed launcher starts. The drivers only act and
// report; the tests and the walk-through judge what they report.
#pragma once
#include "process_windows.h"
#include "window_probe.h"

struct Wizard {
    PROCESS_INFORMATION process;
    HWND wnd;
};

// Starts the wizard with LOCALAPPDATA set to localAppData (it stays set in
// the caller's environment) and waits until its window and last control exist.
bool StartWizard(Wizard* w, const wchar_t* setupExe, const wchar_t* localAppData);
// Waits for the wizard to end (and ends it after ms); its exit code, or
// 0xDEAD when it had to be ended. Closes its handles.
DWORD WaitWizardExit(Wizard* w, DWORD ms);
void PressAction(Wizard* w);
LRESULT ProgressPosition(Wizard* w);

// Follows the status line from now on (the probe's record): start it before
// pressing. The entries are every text the line was given.
bool StartStepWatch(Wizard* w);
int ReadSteps(StatusSeen* out, int capacity);
// Waits until the status line has shown a text starting with prefix.
bool WaitForStatus(const wchar_t* prefix, DWORD ms);
// Waits until the install has ended: the button is enabled again, which the
// wizard does only after showing its result line.
bool WaitInstallEnded(Wizard* w, DWORD ms);
void StopStepWatch();

// Wine's virtual desktop paints a new desktop shortcut's icon and name over
// any window that covers their slot at the desktop's top left (Windows keeps
// them beneath the windows), and the first window opens at 0,0: for pictures
// the wizard stands in the middle of the desktop, clear of those slots.
void MoveToMiddle(HWND wnd);
// Saves the whole window as the screen shows it, frame and title bar
// included, as a 32-bit BMP, and gives the pixels (0x00RRGGBB) of its client
// area, width x height, in pixels (none when pixels is null).
bool SaveWindowBitmap(HWND wnd, const wchar_t* path, COLORREF* pixels, int width, int height);

// A recorder stands in for Edge where the launcher looks first, the per-user
// folder under localAppData; it writes each command line it gets to log.
// edge receives its path (MAX_PATH).
bool PlaceStandInBrowser(const wchar_t* recorderExe, const wchar_t* localAppData, const wchar_t* log, wchar_t* edge);
// What the stand-in recorded, once it has written anything (heap, free with
// HeapFree; null when nothing came within ms).
unsigned char* WaitForRecordedCommand(const wchar_t* log, DWORD* bytes, DWORD ms);
