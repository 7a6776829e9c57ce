// Finding Edge or Chrome and starting it in application mode. The launcher
// never waits for the browser: it closes the handles and is done.
#include "launcher.h"
#include "../common/bounded_format.h"

// A candidate must name its folder in full: a relative one would be looked
// for in whatever folder the launcher happens to run in.
static BOOL IsFullPath(const wchar_t* p)
{
    BOOL drive = ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')) && p[1] == L':' && p[2] == L'\\';
    return drive || (p[0] == L'\\' && p[1] == L'\\');
}

BOOL FindBrowser(const wchar_t* const* table, wchar_t* out)
{
    for (int i = 0; table[i]; ++i) {
        wchar_t expanded[LAUNCHER_PATH_CAPACITY];
        DWORD n = ExpandEnvironmentStringsW(table[i], expanded, LAUNCHER_PATH_CAPACITY);
        // 0 is failure; more than the capacity is the size needed, and the
        // buffer then holds no whole path to test.
        if (n == 0 || n > LAUNCHER_PATH_CAPACITY) continue;
        if (IsFullPath(expanded) && IsExistingFile(expanded)) {
            lstrcpynW(out, expanded, LAUNCHER_PATH_CAPACITY);
            return TRUE;
        }
    }
    return FALSE;
}

BOOL LaunchAppWindow(const wchar_t* browser, const wchar_t* url)
{
    wchar_t commandLine[COMMAND_LINE_CAPACITY];
    FormatCutW(commandLine, COMMAND_LINE_CAPACITY, APP_MODE_FORMAT, browser, url);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(0, commandLine, 0, 0, FALSE, 0, 0, 0, &startup, &process)) return FALSE;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return TRUE;
}
