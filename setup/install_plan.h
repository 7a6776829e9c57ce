// What the setup program installs and where: fixed names, captions, the
// registry table, and the two process-wide paths derived at start-up.
#pragma once
#include <windows.h>
#include "../common/payload_blob.h"

#define INSTALL_STEP_COUNT 7
#define UNINSTALL_COMMAND_CAPACITY 323
#define UNINSTALL_KEY_CAPACITY 160

// Set once by ComputeInstallPaths before any window exists; read-only after.
extern wchar_t InstallDir[MAX_PATH];
extern wchar_t AppExePath[MAX_PATH];

extern const wchar_t INSTALL_DIR_FORMAT[];      // "%s\Tallybook"
extern const wchar_t APP_EXE_FORMAT[];          // "%s\tallybook.exe"
extern const wchar_t PAGE_FILE_FORMAT[];        // "%s\index.html"
extern const wchar_t UNINSTALLER_FORMAT[];      // "%s\tallyuninstall.exe"
extern const wchar_t UNINSTALL_COMMAND_FORMAT[];
extern const wchar_t START_MENU_FOLDER_FORMAT[];
extern const wchar_t SHORTCUT_FILE_FORMAT[];
extern const wchar_t SHORTCUT_FILE_NAME[];
extern const wchar_t SHORTCUT_DESCRIPTION[];
extern const wchar_t BASE_FOLDER_VARIABLE[];
extern const wchar_t FALLBACK_BASE_FOLDER[];
extern const wchar_t PRODUCT_KEY[];
extern const wchar_t UNINSTALL_KEY[];
extern const wchar_t* const InstallStepTable[INSTALL_STEP_COUNT];
extern const DWORD InstallStepPauseMs[INSTALL_STEP_COUNT];

extern const GUID DESKTOP_FOLDER_ID;   // FOLDERID_Desktop
extern const GUID PROGRAMS_FOLDER_ID;  // FOLDERID_Programs

// Where a registry value's data comes from.
enum RegSource {
    REG_FROM_TEXT,              // the fixed text in the entry
    REG_FROM_INSTALL_DIR,
    REG_FROM_APP_EXE,
    REG_FROM_UNINSTALL_COMMAND,
    REG_FROM_NUMBER,            // the fixed number in the entry
    REG_FROM_ESTIMATED_SIZE
};

struct RegistryEntry {
    const wchar_t* subKey;
    const wchar_t* valueName;
    RegSource source;
    const wchar_t* text;
    DWORD number;
};

#define REGISTRY_ENTRY_COUNT 11
extern const RegistryEntry RegistryPlan[REGISTRY_ENTRY_COUNT];

PayloadBlob LauncherPayload();
PayloadBlob PagePayload();

// Kilobytes for "EstimatedSize": both payloads shifted right by 10, plus one.
DWORD EstimatedSizeKb(unsigned int launcherBytes, unsigned int pageBytes);

// Fills InstallDir and AppExePath from LOCALAPPDATA (or the fallback base).
void ComputeInstallPaths();
// The same derivation from a given base folder.
void DeriveInstallPaths(const wchar_t* baseFolder);
// The quoted uninstall command for InstallDir.
void FormatUninstallCommand(wchar_t* dest /* UNINSTALL_COMMAND_CAPACITY */);
