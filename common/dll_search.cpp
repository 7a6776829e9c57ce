// Restricting the DLL search. SetDefaultDllDirectories exists from Windows 8
// (and on 7 / Vista with the security update), so it is looked up at run time;
// without it, the DLLs the system loads by name later are loaded now, by full
// path, so that a later load by name finds them already mapped.
#include "dll_search.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

typedef BOOL (WINAPI* SetDefaultDllDirectoriesFn)(DWORD);
typedef BOOL (WINAPI* SetDllDirectoryFn)(LPCWSTR);

// Loaded by name by user32, the shell and COM once windows and boxes appear.
static const wchar_t* const PRELOADED[] = {
    L"uxtheme.dll", L"dwmapi.dll", L"propsys.dll", L"version.dll", L"comctl32.dll", 0,
};

HMODULE LoadSystemLibrary(const wchar_t* name)
{
    wchar_t path[MAX_PATH];
    UINT n = GetSystemDirectoryW(path, MAX_PATH);
    // A system folder that can't be read whole is no folder to load from.
    if (n == 0 || n + 1 + lstrlenW(name) >= MAX_PATH) return 0;
    lstrcatW(path, L"\\");
    lstrcatW(path, name);
    return LoadLibraryExW(path, 0, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void RestrictDllSearchToSystem()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    SetDefaultDllDirectoriesFn setDefault =
        (SetDefaultDllDirectoriesFn)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;

    // An empty string takes the current folder out of the search as well.
    SetDllDirectoryFn setDirectory = (SetDllDirectoryFn)(void*)GetProcAddress(kernel, "SetDllDirectoryW");
    if (setDirectory) setDirectory(L"");
    for (int i = 0; PRELOADED[i]; ++i) LoadSystemLibrary(PRELOADED[i]);
}
