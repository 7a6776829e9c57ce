// The installation worker. It talks to the wizard only by posting messages,
// and reads InstallDir/AppExePath, which nobody changes once it runs.
#include "install_worker.h"
#include "install_actions.h"
#include "install_plan.h"
#include "../common/bounded_format.h"
#include <shlobj.h>

static void CreateShortcuts()
{
    wchar_t* desktop = 0;
    if (SUCCEEDED(SHGetKnownFolderPath(DESKTOP_FOLDER_ID, 0, 0, &desktop))) {
        CreateAppShortcut(desktop);
        CoTaskMemFree(desktop);
    }
    wchar_t* programs = 0;
    if (SUCCEEDED(SHGetKnownFolderPath(PROGRAMS_FOLDER_ID, 0, 0, &programs))) {
        wchar_t folder[MAX_PATH];
        FormatCutW(folder, MAX_PATH, START_MENU_FOLDER_FORMAT, programs);
        CreateDirectoryW(folder, 0);
        CreateAppShortcut(folder);
        CoTaskMemFree(programs);
    }
}

static void WriteRegistryValues(DWORD estimatedSizeKb)
{
    wchar_t command[UNINSTALL_COMMAND_CAPACITY];
    FormatUninstallCommand(command);
    for (int i = 0; i < REGISTRY_ENTRY_COUNT; ++i) {
        const RegistryEntry& e = RegistryPlan[i];
        wchar_t subKey[UNINSTALL_KEY_CAPACITY];
        lstrcpynW(subKey, e.subKey, UNINSTALL_KEY_CAPACITY);
        switch (e.source) {
        case REG_FROM_TEXT:              RegWriteString(subKey, e.valueName, e.text); break;
        case REG_FROM_INSTALL_DIR:       RegWriteString(subKey, e.valueName, InstallDir); break;
        case REG_FROM_APP_EXE:           RegWriteString(subKey, e.valueName, AppExePath); break;
        case REG_FROM_UNINSTALL_COMMAND: RegWriteString(subKey, e.valueName, command); break;
        case REG_FROM_NUMBER:            RegWriteDword(subKey, e.valueName, e.number); break;
        case REG_FROM_ESTIMATED_SIZE:    RegWriteDword(subKey, e.valueName, estimatedSizeKb); break;
        }
    }
}

static BOOL WritePayload(const wchar_t* format, PayloadBlob blob)
{
    wchar_t path[MAX_PATH];
    FormatCutW(path, MAX_PATH, format, InstallDir);
    return WriteWholeFile(path, blob.bytes, blob.size);
}

DWORD WINAPI InstallThreadProc(LPVOID notifyWnd)
{
    HWND wnd = (HWND)notifyWnd;
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    const DWORD estimatedSizeKb = EstimatedSizeKb(LauncherPayload().size, PagePayload().size);

    BOOL result = TRUE;
    for (int step = 0; step < INSTALL_STEP_COUNT; ++step) {
        PostMessageW(wnd, WM_SETUP_STEP, (WPARAM)step, 0);
        switch (step) {
        case 0: CreateDirectoryChain(InstallDir); break;
        case 1: if (!WritePayload(APP_EXE_FORMAT, LauncherPayload())) result = FALSE; break;
        case 2: if (!WritePayload(PAGE_FILE_FORMAT, PagePayload())) result = FALSE; break;
        case 3: if (DeployUninstaller() == DEPLOY_FAILED) result = FALSE; break;
        case 4: CreateShortcuts(); break;
        case 5: WriteRegistryValues(estimatedSizeKb); break;
        default: break;
        }
        Sleep(InstallStepPauseMs[step]);
    }
    PostMessageW(wnd, WM_SETUP_DONE, result ? 1 : 0, 0);
    CoUninitialize();
    return 0;
}
