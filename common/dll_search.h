// Every program starts from a folder that others can write to (Downloads, the
// temporary folder, the install folder). Windows looks for a DLL that is not a
// KnownDLL in the program's own folder first, so a planted uxtheme.dll or
// comctl32.dll would run as us. These keep the search to the system folder.
#pragma once
#include <windows.h>

// First call of every entry: DLLs loaded by name come from the system folder only.
void RestrictDllSearchToSystem();
// A system DLL by its full path in the system folder; 0 when it can't be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);
