// A running program cannot delete its own file: the installed uninstaller hands
// the work to a copy of itself in a private folder of its own under the
// temporary folder, which is shared and writable, so nothing there is trusted.
#pragma once
#include <windows.h>

// Starts the temporary copy and returns once the copy has accepted the work;
// the caller then ends, and the copy uninstalls. False when the copy could not
// be started or did not accept (nothing of it is left then).
BOOL HandOffToTemporaryCopy();
// In the temporary copy: true only when starterText is a process handle this
// process inherited from its own parent, that parent runs the image
// resolvedUninstaller, and answerText is the event it waits on. It signals the
// event and waits for the parent to end.
BOOL AcceptHandOff(const wchar_t* starterText, const wchar_t* answerText, const wchar_t* resolvedUninstaller);
// In the temporary copy, last: lets go of every folder, so that its file and
// private folder can go when it ends.
void LeaveTemporaryFolder();
