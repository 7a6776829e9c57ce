// Small helpers for a program that drives another process's windows: the
// tests, the walk-through and the bench share them.
#pragma once
#include <windows.h>

// The top-level window of class (and title, when given) that process pid owns.
HWND FindWindowOf(DWORD pid, const wchar_t* className, const wchar_t* title);
// A control's text, read across processes; empty when there is none.
void ControlText(HWND wnd, int id, wchar_t* out, int capacity);
// wsprintfW into out (capacity characters); false, with out empty, when the
// result would be cut: a cut path names some other file.
bool FormatWithin(wchar_t* out, int capacity, const wchar_t* format, ...);
// A program argument as a Windows path: a Unix path becomes Z:\...; false
// (out empty) when it does not fit MAX_PATH.
bool WindowsPathFromArg(const wchar_t* arg, wchar_t* out /* MAX_PATH */);
// Reads a whole file into a heap buffer with a terminating zero (free with
// HeapFree); null when it can't be opened. Its size in *size.
unsigned char* ReadWholeFile(const wchar_t* path, DWORD* size);
