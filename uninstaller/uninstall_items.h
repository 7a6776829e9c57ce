// What the uninstaller removes: exactly what the setup program created.
#pragma once
#include <windows.h>

enum ItemOutcome { ITEM_ABSENT, ITEM_REMOVED, ITEM_LEFT };

#define REPORT_CAPACITY 2048

struct UninstallReport {
    int removed;            // items that existed and are gone
    int left;               // items that existed and could not be removed
    BOOL folderKept;        // the install folder stays because it holds other files
    wchar_t leftList[REPORT_CAPACITY];  // one line per item left
};

// Removes the installed files, shortcuts, folders and registry keys. The
// uninstaller's own file in installDir is removed only when removeUninstaller.
void UninstallEverything(const wchar_t* installDir, BOOL removeUninstaller, UninstallReport* report);
// The message the user sees at the end.
void FormatReport(const UninstallReport* report, wchar_t* text, int capacity);
