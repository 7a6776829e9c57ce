// The launcher as it was before it restricted the DLL search: the baseline
// for what that protection costs at start-up.
#include "../launcher/launcher.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return RunLauncher();
}
