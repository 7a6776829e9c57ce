// Removes, one by one and by exact name, what the setup program created. Nothing
// is deleted by wildcard or recursively: a file the user put in the install
// folder stays, and so does the folder around it. A shortcut or registry key
// goes only when it names this install.
#include "uninstall_items.h"
#include "../common/product_layout.h"
#include "../common/bounded_format.h"
#include <shlobj.h>

static void AddLine(wchar_t* list, const wchar_t* what)
{
    int used = lstrlenW(list);
    FormatCutW(list + used, REPORT_CAPACITY - used, L"  %s\n", what);
}

static void Note(UninstallReport* report, ItemOutcome outcome, const wchar_t* what)
{
    if (outcome == ITEM_REMOVED) ++report->removed;
    if (outcome == ITEM_LEFT) { ++report->left; AddLine(report->leftList, what); }
    if (outcome == ITEM_LINKED) { ++report->linked; AddLine(report->linkedList, what); }
}

static void RemoveInstalledFile(UninstallReport* report, const wchar_t* dir, const wchar_t* resolvedDir, const wchar_t* name)
{
    wchar_t path[MAX_PATH];
    JoinWholePath(path, dir, name);  // as shown in the report
    Note(report, RemoveOwnFile(dir, resolvedDir, name), path);
}

// True when the shortcut's target is the launcher of installDir.
static BOOL PointsAtLauncher(const wchar_t* link, const wchar_t* launcher)
{
    IShellLinkW* shell = 0;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, 0, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&shell)) || !shell)
        return FALSE;
    BOOL same = FALSE;
    IPersistFile* persist = 0;
    if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, (void**)&persist)) && persist) {
        wchar_t target[MAX_PATH] = L"";
        if (SUCCEEDED(persist->Load(link, STGM_READ)) && SUCCEEDED(shell->GetPath(target, MAX_PATH, 0, SLGP_RAWPATH)))
            same = !lstrcmpiW(target, launcher);
        persist->Release();
    }
    shell->Release();
    return same;
}

static void RemoveShortcut(UninstallReport* report, const wchar_t* folder, const wchar_t* launcher)
{
    wchar_t link[MAX_PATH], resolvedFolder[MAX_PATH];
    if (!JoinWholePath(link, folder, SHORTCUT_FILE_NAME)) return;
    if (GetFileAttributesW(link) == INVALID_FILE_ATTRIBUTES) return;
    // Someone else's shortcut of the same name (another install) stays.
    if (!PointsAtLauncher(link, launcher)) return;
    if (!ResolvePath(folder, resolvedFolder)) { Note(report, ITEM_LEFT, link); return; }
    Note(report, RemoveOwnFile(folder, resolvedFolder, SHORTCUT_FILE_NAME), link);
}

static void RemoveShortcuts(UninstallReport* report, const wchar_t* launcher)
{
    wchar_t* folder = 0;
    if (SUCCEEDED(SHGetKnownFolderPath(DESKTOP_FOLDER_ID, 0, 0, &folder))) {
        RemoveShortcut(report, folder, launcher);
        CoTaskMemFree(folder);
    }
    if (SUCCEEDED(SHGetKnownFolderPath(PROGRAMS_FOLDER_ID, 0, 0, &folder))) {
        wchar_t startMenu[MAX_PATH];
        if (JoinWholePath(startMenu, folder, PRODUCT_FOLDER_NAME)) {
            RemoveShortcut(report, startMenu, launcher);
            Note(report, RemoveEmptyFolder(startMenu, 0), startMenu);
        }
        CoTaskMemFree(folder);
    }
}

// A key goes only when its value names installDir: a key written by another
// install (or by hand) is not ours to remove.
static ItemOutcome RemoveKeyNaming(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* installDir)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return ITEM_ABSENT;
    wchar_t value[MAX_PATH + 1] = L"";
    DWORD type = 0, size = sizeof value - sizeof(wchar_t);
    LONG status = RegQueryValueExW(key, valueName, 0, &type, (BYTE*)value, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ || lstrcmpiW(value, installDir)) return ITEM_ABSENT;
    RegDeleteTreeW(HKEY_CURRENT_USER, subKey);
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return ITEM_REMOVED;
    RegCloseKey(key);
    return ITEM_LEFT;
}

// One that stays is named in full in the report.
static void RemoveKey(UninstallReport* report, const wchar_t* subKey, const wchar_t* valueName, const wchar_t* installDir)
{
    wchar_t shown[128];
    FormatCutW(shown, 128, L"HKEY_CURRENT_USER\\%s", subKey);
    Note(report, RemoveKeyNaming(subKey, valueName, installDir), shown);
}

void UninstallEverything(const wchar_t* installDir, BOOL removeUninstaller, UninstallReport* report)
{
    ZeroMemory(report, sizeof *report);
    wchar_t resolvedDir[MAX_PATH], launcher[MAX_PATH];
    // The caller passes a whole folder; its launcher's path fits as the setup program's did.
    // The folder is held from its check to the last file: it can't become a link in between.
    BOOL linked = FALSE;
    HANDLE held = INVALID_HANDLE_VALUE;
    if (JoinWholePath(launcher, installDir, LAUNCHER_FILE_NAME)) held = HoldFolder(installDir, resolvedDir, &linked);
    if (linked) Note(report, ITEM_LINKED, installDir);
    if (held != INVALID_HANDLE_VALUE) {
        RemoveInstalledFile(report, installDir, resolvedDir, LAUNCHER_FILE_NAME);
        RemoveInstalledFile(report, installDir, resolvedDir, PAGE_FILE_NAME);
    }
    RemoveShortcuts(report, launcher);
    RemoveKey(report, PRODUCT_KEY, INSTALL_PATH_VALUE, installDir);
    // While anything is left, the uninstaller and its entry stay, so the user can try again.
    if (!report->left && removeUninstaller && held != INVALID_HANDLE_VALUE)
        RemoveInstalledFile(report, installDir, resolvedDir, UNINSTALLER_FILE_NAME);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    if (report->left || linked) return;
    // An uninstaller that stays keeps its entry: Windows' list can run it again.
    if (!removeUninstaller) {
        report->selfKept = TRUE;
        JoinWholePath(report->selfPath, installDir, UNINSTALLER_FILE_NAME);
        return;
    }
    Note(report, RemoveEmptyFolder(installDir, &report->folderKept), installDir);
    lstrcpynW(report->folderPath, installDir, MAX_PATH);
    if (report->left == 0) RemoveKey(report, UNINSTALL_KEY, INSTALL_LOCATION_VALUE, installDir);
}

void FormatReport(const UninstallReport* report, wchar_t* text, int capacity)
{
    wchar_t linked[REPORT_CAPACITY + 128] = L"";
    if (report->linked)
        FormatCutW(linked, REPORT_CAPACITY + 128,
                   L"\n\n以下项目是链接或另有硬链接，为保护它们指向的文件，未删除：\n%s", report->linkedList);
    if (report->left) {
        FormatCutW(text, capacity,
                   L"卸载未能全部完成，以下项目仍然存在：\n%s\n"
                   L"请关闭正在运行的 青禾书苑 后，再次运行 tallyuninstall.exe。%s",
                   report->leftList, linked);
    } else if (report->selfKept) {
        FormatCutW(text, capacity,
                   L"青禾书苑 的程序文件和快捷方式已删除。\n\n"
                   L"临时文件夹不可用，卸载程序无法删除自身，以下项目仍然保留：\n  %s\n"
                   L"  Windows 程序列表中的 青禾书苑 卸载项\n\n"
                   L"临时文件夹（%%TEMP%%）可用后，再次运行卸载即可删除它们。%s",
                   report->selfPath, linked);
    } else if (report->removed == 0) {
        FormatCutW(text, capacity, L"没有找到 青禾书苑 的安装，无需卸载。%s", linked);
    } else if (report->folderKept == FOLDER_HOLDS_OTHERS) {
        FormatCutW(text, capacity, L"青禾书苑 已卸载。\n\n安装文件夹中还有您自己的文件，已保留该文件夹。%s", linked);
    } else if (report->folderKept == FOLDER_HELD) {
        wchar_t held[MAX_PATH + 64];
        FormatCutW(held, MAX_PATH + 64, L"安装文件夹暂时被其他程序占用，未能删除：%s", report->folderPath);
        FormatCutW(text, capacity, L"青禾书苑 已卸载。\n\n%s%s", held, linked);
    } else {
        FormatCutW(text, capacity, L"青禾书苑 已卸载。%s", linked);
    }
}
