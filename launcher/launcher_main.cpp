// tallybook.exe: opens the offline page in a browser's application mode.
// Reads no arguments; the exit code is 0 whatever happened.
#include "launcher.h"
#include "../common/dll_search.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    RestrictDllSearchToSystem();
    return RunLauncher();
}
