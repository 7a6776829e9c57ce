// What an install leaves outside its folder (shortcuts, registry keys), for
// the tests that install into the shared test prefix and must leave it clean.
#pragma once
#include <windows.h>

// The desktop shortcut, the Start-menu folder and the shortcut in it.
void InstalledShortcutPaths(wchar_t* desktopLink, wchar_t* startFolder, wchar_t* startLink /* MAX_PATH each */);
bool RegistryKeyExists(const wchar_t* subKey);
// Removes both shortcuts, the Start-menu folder and both registry keys.
void RemoveInstallTraces();

#define TEST_PRODUCT_KEY   L"Software\\Tallybook"
#define TEST_UNINSTALL_KEY L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tallybook"
