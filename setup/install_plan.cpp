// The install plan's constant data and its path derivation.
#include "install_plan.h"
#include "../common/bounded_format.h"

wchar_t InstallDir[MAX_PATH];
wchar_t AppExePath[MAX_PATH];
BOOL InstallPathsWhole;

const wchar_t UNINSTALL_COMMAND_FORMAT[] = L"\"%s\\tallyuninstall.exe\"";
const wchar_t SHORTCUT_DESCRIPTION[]     = L"青禾书苑 · Tallybook 桌面版";
const wchar_t PRODUCT_VERSION[]          = TALLY_VERSION_TEXT;

// Written in this order.
const RegistryEntry RegistryPlan[REGISTRY_ENTRY_COUNT] = {
    { PRODUCT_KEY,   L"InstallPath",     REG_FROM_INSTALL_DIR,       0, 0 },
    { PRODUCT_KEY,   L"Version",         REG_FROM_TEXT,              PRODUCT_VERSION, 0 },
    { UNINSTALL_KEY, L"DisplayName",     REG_FROM_TEXT,              L"青禾书苑 (Tallybook)", 0 },
    { UNINSTALL_KEY, L"DisplayVersion",  REG_FROM_TEXT,              PRODUCT_VERSION, 0 },
    { UNINSTALL_KEY, L"Publisher",       REG_FROM_TEXT,              L"Tallybook Studio", 0 },
    { UNINSTALL_KEY, L"DisplayIcon",     REG_FROM_APP_EXE,           0, 0 },
    { UNINSTALL_KEY, L"UninstallString", REG_FROM_UNINSTALL_COMMAND, 0, 0 },
    { UNINSTALL_KEY, L"InstallLocation", REG_FROM_INSTALL_DIR,       0, 0 },
    { UNINSTALL_KEY, L"NoModify",        REG_FROM_NUMBER,            0, 1 },
    { UNINSTALL_KEY, L"NoRepair",        REG_FROM_NUMBER,            0, 1 },
    { UNINSTALL_KEY, L"EstimatedSize",   REG_FROM_ESTIMATED_SIZE,    0, 0 },
};

DWORD EstimatedSizeKb(unsigned int launcherBytes, unsigned int pageBytes)
{
    return ((launcherBytes + pageBytes) >> 10) + 1;
}

// The buffers keep the cut text (259 characters), but a cut path is never used.
static void DeriveAppExePath(BOOL dirWhole)
{
    BOOL exeWhole = FormatWholePath(AppExePath, APP_EXE_FORMAT, InstallDir);
    InstallPathsWhole = dirWhole && exeWhole;
}

void DeriveInstallPaths(const wchar_t* baseFolder)
{
    DeriveAppExePath(FormatWholePath(InstallDir, PRODUCT_FOLDER_FORMAT, baseFolder));
}

void ComputeInstallPaths()
{
    // No base folder, or a LOCALAPPDATA too long to read whole: nothing is
    // installed anywhere.
    DeriveAppExePath(PlannedInstallFolder(InstallDir));
}

BOOL InstalledFilePath(const wchar_t* format, wchar_t* path)
{
    return FormatWholePath(path, format, InstallDir) && InstallPathsWhole;
}

void FormatUninstallCommand(wchar_t* dest)
{
    FormatCutW(dest, UNINSTALL_COMMAND_CAPACITY, UNINSTALL_COMMAND_FORMAT, InstallDir);
}
