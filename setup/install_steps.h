// The seven announced install steps, in order: what the wizard shows, how long
// the worker pauses after it, and what it does.
#pragma once
#include <windows.h>

struct InstallContext {
    DWORD estimatedSizeKb;
};

struct InstallStep {
    const wchar_t* caption;
    DWORD pauseMs;  // lets the user read the caption
    // False only when the step's failure makes the install's result false.
    BOOL (*action)(const InstallContext* context);
};

extern const InstallStep InstallStepTable[];
extern const int INSTALL_STEP_COUNT;

// The pauses of all steps together: the least time an install takes.
DWORD InstallPausesMs();
