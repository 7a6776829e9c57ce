// The baseline: a Windows program that does nothing, started the same way.
#include <windows.h>
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
