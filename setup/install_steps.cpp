// The steps as one table; the worker runs it in order and the wizard's
// progress range comes from its length.
#include "install_steps.h"
#include "install_actions.h"
#include "install_plan.h"
#include "../common/private_folders.h"
#include "../common/whole_file.h"
#include <shlobj.h>

static BOOL CreateInstallFolder(const InstallContext*)
{
    // A cut folder name would be some other folder: create nothing.
    if (InstallPathsWhole) CreateDirectoryChain(InstallDir);
    return TRUE;
}

// Written whole or not at all: a full disk or a failed write never leaves a
// cut file behind, and an earlier complete file stays until the new one is whole.
static BOOL WritePayload(const wchar_t* name, PayloadBlob blob)
{
    wchar_t path[MAX_PATH];
    return InstalledFilePath(name, path) && WriteWholeFile(path, blob.bytes, blob.size, TRUE);
}

static BOOL WriteLauncher(const InstallContext*) { return WritePayload(LAUNCHER_FILE_NAME, LauncherPayload()); }
static BOOL WritePage(const InstallContext*) { return WritePayload(PAGE_FILE_NAME, PagePayload()); }
// The setup's own uninstaller, never a file found beside the setup program:
// whatever lies there (Downloads, a temporary folder) may be anyone's.
static BOOL WriteUninstaller(const InstallContext*) { return WritePayload(UNINSTALLER_FILE_NAME, UninstallerPayload()); }

// The result line promises both shortcuts: each one not made makes it false.
static BOOL CreateShortcuts(const InstallContext*)
{
    // A shortcut to a cut path would start nothing.
    if (!InstallPathsWhole) return FALSE;
    BOOL made = FALSE;
    wchar_t* desktop = 0;
    if (SUCCEEDED(SHGetKnownFolderPath(DESKTOP_FOLDER_ID, 0, 0, &desktop))) {
        made = CreateAppShortcut(desktop);
        CoTaskMemFree(desktop);
    }
    BOOL madeInStartMenu = FALSE;
    wchar_t* programs = 0;
    if (SUCCEEDED(SHGetKnownFolderPath(PROGRAMS_FOLDER_ID, 0, 0, &programs))) {
        wchar_t folder[MAX_PATH];
        if (JoinWholePath(folder, programs, PRODUCT_FOLDER_NAME)) {
            // An existing folder is fine; a file of that name is not.
            CreateDirectoryW(folder, 0);
            madeInStartMenu = IsFolderPath(folder) && CreateAppShortcut(folder);
        }
        CoTaskMemFree(programs);
    }
    return made && madeInStartMenu;
}

// Every value is written even after one fails; any failure makes the result false.
static BOOL WriteRegistryValues(const InstallContext* context)
{
    // The uninstall entry would name files that were never created.
    if (!InstallPathsWhole) return FALSE;
    BOOL written = TRUE;
    wchar_t command[UNINSTALL_COMMAND_CAPACITY];
    FormatUninstallCommand(command);
    for (int i = 0; i < REGISTRY_ENTRY_COUNT; ++i) {
        const RegistryEntry& e = RegistryPlan[i];
        wchar_t subKey[UNINSTALL_KEY_CAPACITY];
        lstrcpynW(subKey, e.subKey, UNINSTALL_KEY_CAPACITY);
        LONG status = ERROR_INVALID_DATA;
        switch (e.source) {
        case REG_FROM_TEXT:              status = RegWriteString(subKey, e.valueName, e.text); break;
        case REG_FROM_INSTALL_DIR:       status = RegWriteString(subKey, e.valueName, InstallDir); break;
        case REG_FROM_APP_EXE:           status = RegWriteString(subKey, e.valueName, AppExePath); break;
        case REG_FROM_UNINSTALL_COMMAND: status = RegWriteString(subKey, e.valueName, command); break;
        case REG_FROM_NUMBER:            status = RegWriteDword(subKey, e.valueName, e.number); break;
        case REG_FROM_ESTIMATED_SIZE:    status = RegWriteDword(subKey, e.valueName, context->estimatedSizeKb); break;
        }
        if (status != ERROR_SUCCESS) written = FALSE;
    }
    return written;
}

// What earlier uninstalls may have left in the temporary folder (Windows can
// keep a hand-off copy's file while its image is still mapped).
static BOOL Finish(const InstallContext*)
{
    wchar_t temp[MAX_PATH];
    if (TemporaryFolder(temp)) RemoveStalePrivateFolders(temp);
    return TRUE;
}

const InstallStep InstallStepTable[] = {
    { L"[1/7] 正在创建安装目录…",                220, CreateInstallFolder, INSTALL_FAILED_FILES },
    { L"[2/7] 正在释放主程序 tallybook.exe…",    260, WriteLauncher,       INSTALL_FAILED_FILES },
    { L"[3/7] 正在释放界面资源 index.html…",     220, WritePage,           INSTALL_FAILED_FILES },
    { L"[4/7] 正在部署卸载程序…",                200, WriteUninstaller,    INSTALL_FAILED_FILES },
    { L"[5/7] 正在创建桌面与开始菜单快捷方式…",  260, CreateShortcuts,     INSTALL_FAILED_SHORTCUTS },
    { L"[6/7] 正在写入注册表信息…",              220, WriteRegistryValues, INSTALL_FAILED_REGISTRY },
    { L"[7/7] 正在收尾…",                        180, Finish,              INSTALL_FAILED_FILES },
};

const int INSTALL_STEP_COUNT = sizeof InstallStepTable / sizeof InstallStepTable[0];

InstallFailure WorseFailure(InstallFailure a, InstallFailure b)
{
    if (a == INSTALL_FAILED_NOTHING) return b;
    if (b == INSTALL_FAILED_NOTHING) return a;
    return a < b ? a : b;
}

DWORD InstallPausesMs()
{
    DWORD total = 0;
    for (int i = 0; i < INSTALL_STEP_COUNT; ++i) total += InstallStepTable[i].pauseMs;
    return total;
}
