// One run of the launcher: Edge, else Chrome, else the shell's HTML handler on
// the page file, else a message that asks the user to open the page by hand.
#include "launcher.h"
#include <shellapi.h>

static BOOL LaunchFirstOf(const wchar_t* const* table, const wchar_t* url)
{
    wchar_t browser[LAUNCHER_PATH_CAPACITY];
    return FindBrowser(table, browser) && LaunchAppWindow(browser, url);
}

int RunLauncher()
{
    wchar_t pagePath[LAUNCHER_PATH_CAPACITY];
    ResolvePagePath(pagePath);
    // No page path could be formed whole: there is nothing to open.
    if (!pagePath[0]) {
        MessageBoxW(0, MESSAGE_TEXT, MESSAGE_CAPTION, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    wchar_t url[WIDE_URL_CAPACITY];
    // A URL that could not be built whole goes to no browser.
    if (BuildFileUrl(pagePath, url)) {
        if (LaunchFirstOf(EdgeCandidates, url)) return 0;
        if (LaunchFirstOf(ChromeCandidates, url)) return 0;
    }
    INT_PTR shell = (INT_PTR)ShellExecuteW(0, FALLBACK_VERB, pagePath, 0, 0, SW_SHOWNORMAL);
    if (shell > 32) return 0;
    MessageBoxW(0, MESSAGE_TEXT, MESSAGE_CAPTION, MB_OK | MB_ICONINFORMATION);
    return 0;
}
