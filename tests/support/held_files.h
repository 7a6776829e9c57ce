// Another program holding our files for a moment, as scanners do: the
// holder program of this folder, started and waited for.
#pragma once
#include <windows.h>

// Starts the holder on the paths for ms and returns once it holds them all
// (its process handle), or 0 after a failed check that says why.
HANDLE HoldFiles(const wchar_t* const* paths, int count, DWORD ms);
// Waits for the holder to let go and end; checks that it ended well.
void EndHold(HANDLE holder);
