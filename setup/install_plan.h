// What the setup program installs and where: the process-wide install paths,
// the registry table and the three payloads. The product's names and folders come
// from common/product_layout.h; the steps are in install_steps.h.
#pragma once
#include <windows.h>
#include "../common/payload_blob.h"
#include "../common/product_layout.h"

#define UNINSTALL_COMMAND_CAPACITY 323
#define UNINSTALL_KEY_CAPACITY 160

// Set once by ComputeInstallPaths before any window exists; read-only after.
extern wchar_t InstallDir[MAX_PATH];
extern wchar_t AppExePath[MAX_PATH];
// False when InstallDir or AppExePath would be cut: nothing is then created
// under either name, written into a shortcut or into the registry.
extern BOOL InstallPathsWhole;

extern const wchar_t SHORTCUT_DESCRIPTION[];

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

// Written in the table's order; the count is the table's own.
extern const RegistryEntry RegistryPlan[];
extern const int REGISTRY_ENTRY_COUNT;

PayloadBlob LauncherPayload();
PayloadBlob PagePayload();
PayloadBlob UninstallerPayload();

// Kilobytes for "EstimatedSize": the launcher and the page together, shifted
// right by 10, plus one (the uninstaller is not counted).
DWORD EstimatedSizeKb(unsigned int launcherBytes, unsigned int pageBytes);

// Fills InstallDir and AppExePath from LOCALAPPDATA (or the user's known
// local application-data folder); InstallPathsWhole false when there is none.
void ComputeInstallPaths();
// InstallDir\name for one of the installed files; false when it would be cut.
BOOL InstalledFilePath(const wchar_t* name, wchar_t* path);
// The quoted uninstall command for InstallDir.
void FormatUninstallCommand(wchar_t* dest /* UNINSTALL_COMMAND_CAPACITY */);
