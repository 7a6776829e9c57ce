// tallybook.exe: opens the offline page in a browser's application mode.
// Reads no arguments; the exit code is 0 whatever happened.
#include "launcher.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return RunLauncher();
}
