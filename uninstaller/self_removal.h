// A running program cannot delete its own file: the installed uninstaller hands
// the work to a copy of itself in the temporary folder.
#pragma once
#include <windows.h>

// Starts the temporary copy, which waits for this process to end and then
// uninstalls from installDir. False when the copy could not be started.
BOOL HandOffToTemporaryCopy(const wchar_t* installDir);
// In the temporary copy: waits for the process that started it.
void WaitForHandingProcess(const wchar_t* handleText);
