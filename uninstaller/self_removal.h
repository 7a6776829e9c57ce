// A running program cannot delete its own file: the installed uninstaller hands
// the work to a copy of itself in a private folder of its own under the
// temporary folder, which is shared and writable, so nothing there is trusted.
#pragma once
#include <windows.h>

// Starts the temporary copy, which waits for this process to end and then
// uninstalls. False when the copy could not be started (nothing is left then).
BOOL HandOffToTemporaryCopy();
// In the temporary copy: true only when handleText is a process handle this
// process inherited from its own parent, and that parent runs the image
// resolvedUninstaller. It then waits for the parent to end.
BOOL AcceptHandOff(const wchar_t* handleText, const wchar_t* resolvedUninstaller);
// In the temporary copy, last: lets go of every folder, so that its file and
// private folder can go when it ends.
void LeaveTemporaryFolder();
