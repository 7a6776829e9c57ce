// The install plan's constant data and its path derivation.
#include "install_plan.h"
#include "../common/bounded_format.h"

wchar_t InstallDir[MAX_PATH];
wchar_t AppExePath[MAX_PATH];

const wchar_t INSTALL_DIR_FORMAT[]       = L"%s\\Tallybook";
const wchar_t APP_EXE_FORMAT[]           = L"%s\\tallybook.exe";
const wchar_t PAGE_FILE_FORMAT[]         = L"%s\\index.html";
const wchar_t UNINSTALLER_FORMAT[]       = L"%s\\tallyuninstall.exe";
const wchar_t UNINSTALL_COMMAND_FORMAT[] = L"\"%s\\tallyuninstall.exe\"";
const wchar_t START_MENU_FOLDER_FORMAT[] = L"%s\\Tallybook";
const wchar_t SHORTCUT_FILE_FORMAT[]     = L"%s\\%s";
const wchar_t SHORTCUT_FILE_NAME[]       = L"青禾书苑.lnk";
const wchar_t SHORTCUT_DESCRIPTION[]     = L"青禾书苑 · Tallybook 桌面版";
const wchar_t BASE_FOLDER_VARIABLE[]     = L"LOCALAPPDATA";
const wchar_t FALLBACK_BASE_FOLDER[]     = L"C:\\Tallybook";
const wchar_t PRODUCT_KEY[]              = L"Software\\Tallybook";
const wchar_t UNINSTALL_KEY[]            = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tallybook";

const wchar_t* const InstallStepTable[INSTALL_STEP_COUNT] = {
    L"[1/7] 正在创建安装目录…",
    L"[2/7] 正在释放主程序 tallybook.exe…",
    L"[3/7] 正在释放界面资源 index.html…",
    L"[4/7] 正在部署卸载程序…",
    L"[5/7] 正在创建桌面与开始菜单快捷方式…",
    L"[6/7] 正在写入注册表信息…",
    L"[7/7] 正在收尾…",
};

// The pauses let the user read each caption; 1,560 ms in all.
const DWORD InstallStepPauseMs[INSTALL_STEP_COUNT] = { 220, 260, 220, 200, 260, 220, 180 };

const GUID DESKTOP_FOLDER_ID  = { 0xB4BFCC3A, 0xDB2C, 0x424C, { 0xB0, 0x29, 0x7F, 0xE9, 0x9A, 0x87, 0xC6, 0x41 } };
const GUID PROGRAMS_FOLDER_ID = { 0xA77F5D77, 0x2E2B, 0x44C3, { 0xA6, 0xA2, 0xAB, 0xA6, 0x01, 0x05, 0x4A, 0x51 } };

// Written in this order.
const RegistryEntry RegistryPlan[REGISTRY_ENTRY_COUNT] = {
    { PRODUCT_KEY,   L"InstallPath",     REG_FROM_INSTALL_DIR,       0, 0 },
    { PRODUCT_KEY,   L"Version",         REG_FROM_TEXT,              L"2.0", 0 },
    { UNINSTALL_KEY, L"DisplayName",     REG_FROM_TEXT,              L"青禾书苑 (Tallybook)", 0 },
    { UNINSTALL_KEY, L"DisplayVersion",  REG_FROM_TEXT,              L"2.0", 0 },
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

void DeriveInstallPaths(const wchar_t* baseFolder)
{
    FormatCutW(InstallDir, MAX_PATH, INSTALL_DIR_FORMAT, baseFolder);
    FormatCutW(AppExePath, MAX_PATH, APP_EXE_FORMAT, InstallDir);
}

void ComputeInstallPaths()
{
    wchar_t base[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(BASE_FOLDER_VARIABLE, base, MAX_PATH);
    // A value that does not fit returns the size it needs and leaves the
    // buffer unfilled: it was not read, so it counts as missing.
    if (n == 0 || n >= MAX_PATH) lstrcpyW(base, FALLBACK_BASE_FOLDER);
    DeriveInstallPaths(base);
}

void FormatUninstallCommand(wchar_t* dest)
{
    FormatCutW(dest, UNINSTALL_COMMAND_CAPACITY, UNINSTALL_COMMAND_FORMAT, InstallDir);
}
