// The small operations through which the installation worker touches the system.
#pragma once
#include <windows.h>

// True only when the shortcut file was saved.
BOOL CreateAppShortcut(const wchar_t* folder);
LONG RegWriteString(const wchar_t* subKey, const wchar_t* name, const wchar_t* text);
LONG RegWriteDword(const wchar_t* subKey, const wchar_t* name, DWORD value);
