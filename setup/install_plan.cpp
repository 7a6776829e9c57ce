// The install plan's constant data and its path derivation.
#include "install_plan.h"
#include "../common/bounded_format.h"
#include "../common/install_folder.h"

wchar_t InstallDir[MAX_PATH];
wchar_t AppExePath[MAX_PATH];
BOOL InstallPathsWhole;

const wchar_t SHORTCUT_DESCRIPTION[]     = L"青禾书苑 · Tallybook 桌面版";
// "2.0", from the build's one version.
static const wchar_t PRODUCT_VERSION[]   = TALLY_VERSION_TEXT;

// Written in this order.
const RegistryEntry RegistryPlan[] = {
    { PRODUCT_KEY,   INSTALL_PATH_VALUE, REG_FROM_INSTALL_DIR,       0, 0 },
    { PRODUCT_KEY,   L"Version",         REG_FROM_TEXT,              PRODUCT_VERSION, 0 },
    { UNINSTALL_KEY, L"DisplayName",     REG_FROM_TEXT,              L"青禾书苑 (Tallybook)", 0 },
    { UNINSTALL_KEY, L"DisplayVersion",  REG_FROM_TEXT,              PRODUCT_VERSION, 0 },
    { UNINSTALL_KEY, L"Publisher",       REG_FROM_TEXT,              L"Tallybook Studio", 0 },
    { UNINSTALL_KEY, L"DisplayIcon",     REG_FROM_APP_EXE,           0, 0 },
    { UNINSTALL_KEY, L"UninstallString", REG_FROM_UNINSTALL_COMMAND, 0, 0 },
    { UNINSTALL_KEY, INSTALL_LOCATION_VALUE, REG_FROM_INSTALL_DIR,   0, 0 },
    { UNINSTALL_KEY, L"NoModify",        REG_FROM_NUMBER,            0, 1 },
    { UNINSTALL_KEY, L"NoRepair",        REG_FROM_NUMBER,            0, 1 },
    { UNINSTALL_KEY, L"EstimatedSize",   REG_FROM_ESTIMATED_SIZE,    0, 0 },
};

const int REGISTRY_ENTRY_COUNT = sizeof RegistryPlan / sizeof RegistryPlan[0];
// Windows' list of programs reads all eleven: its name, version, publisher,
// icon, command, location, the two flags and the size.
static_assert(sizeof RegistryPlan / sizeof RegistryPlan[0] == 11, "the product key's two values and the entry's nine");

DWORD EstimatedSizeKb(unsigned int launcherBytes, unsigned int pageBytes)
{
    return ((launcherBytes + pageBytes) >> 10) + 1;
}

void ComputeInstallPaths()
{
    // No base folder, or a LOCALAPPDATA too long to read whole: nothing is
    // installed anywhere.
    BOOL dirWhole = PlannedInstallFolder(InstallDir);
    // The buffers keep the cut text (259 characters), but a cut path is never used.
    BOOL exeWhole = JoinWholePath(AppExePath, InstallDir, LAUNCHER_FILE_NAME);
    InstallPathsWhole = dirWhole && exeWhole;
}

BOOL InstalledFilePath(const wchar_t* name, wchar_t* path)
{
    return JoinWholePath(path, InstallDir, name) && InstallPathsWhole;
}

void FormatUninstallCommand(wchar_t* dest)
{
    // Quoted whole: the folder's name may hold spaces.
    FormatCutW(dest, UNINSTALL_COMMAND_CAPACITY, L"\"%s\\%s\"", InstallDir, UNINSTALLER_FILE_NAME);
}
