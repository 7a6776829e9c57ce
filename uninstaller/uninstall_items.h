// What the uninstaller removes: exactly what the setup program created for
// the install in installDir, and nothing that only shares its names.
#pragma once
#include <windows.h>
#include "safe_removal.h"

#define REPORT_CAPACITY 2048

struct UninstallReport {
    int removed;            // items that existed and are gone
    int left;               // items that existed and could not be removed
    int linked;             // links and multiply linked files, left alone
    FolderKept folderKept;  // why the install folder stays, if it does
    BOOL selfKept;          // the uninstaller, its folder and its entry stay: it could not hand off
    wchar_t selfPath[MAX_PATH];
    wchar_t folderPath[MAX_PATH];  // the install folder, named when another program holds it
    wchar_t leftList[REPORT_CAPACITY];    // one line per item left
    wchar_t linkedList[REPORT_CAPACITY];  // one line per link left alone
};

// Removes the installed files, the shortcuts that point at installDir's
// launcher, the folders and the registry keys that name installDir. The
// uninstaller's own file, its folder and its uninstall entry are removed only
// when removeUninstaller. Nothing in installDir is removed when it is a link.
void UninstallEverything(const wchar_t* installDir, BOOL removeUninstaller, UninstallReport* report);
// The message the user sees at the end.
void FormatReport(const UninstallReport* report, wchar_t* text, int capacity);
