// The seven announced install steps, in order: what the wizard shows, how long
// the worker pauses after it, and what it does.
#pragma once
#include <windows.h>

struct InstallContext {
    DWORD estimatedSizeKb;
};

// What an install failed at, in the order the result line names them: a
// file not written whole outweighs a shortcut, a shortcut a registry value.
enum InstallFailure {
    INSTALL_FAILED_NOTHING,
    INSTALL_FAILED_FILES,
    INSTALL_FAILED_SHORTCUTS,
    INSTALL_FAILED_REGISTRY,
};

struct InstallStep {
    const wchar_t* caption;
    DWORD pauseMs;  // lets the user read the caption
    // False only when the step's failure makes the install's result false.
    BOOL (*action)(const InstallContext* context);
    InstallFailure failure;  // what the result line says when action fails
};

extern const InstallStep InstallStepTable[];
extern const int INSTALL_STEP_COUNT;

// The failure the result line names: the first, by that order, of those given.
InstallFailure WorseFailure(InstallFailure a, InstallFailure b);
// The pauses of all steps together: the least time an install takes.
DWORD InstallPausesMs();
