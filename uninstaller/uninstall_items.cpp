// Removes, one by one and by exact name, what the setup program created. Nothing
// is deleted by wildcard or recursively: a file the user put in the install
// folder stays, and so does the folder around it.
#include "uninstall_items.h"
#include "../setup/install_plan.h"
#include "../common/bounded_format.h"
#include <shlobj.h>

static void Note(UninstallReport* report, ItemOutcome outcome, const wchar_t* what)
{
    if (outcome == ITEM_REMOVED) ++report->removed;
    if (outcome != ITEM_LEFT) return;
    ++report->left;
    int used = lstrlenW(report->leftList);
    FormatCutW(report->leftList + used, REPORT_CAPACITY - used, L"  %s\n", what);
}

static ItemOutcome RemoveFile(const wchar_t* path)
{
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return ITEM_ABSENT;
    if (DeleteFileW(path)) return ITEM_REMOVED;
    return GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES ? ITEM_REMOVED : ITEM_LEFT;
}

// A folder goes only when it is empty; one that still holds files is kept, not failed.
static ItemOutcome RemoveEmptyFolder(const wchar_t* path, BOOL* kept)
{
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return ITEM_ABSENT;
    if (RemoveDirectoryW(path)) return ITEM_REMOVED;
    if (kept) *kept = TRUE;
    return ITEM_ABSENT;
}

static ItemOutcome RemoveKey(const wchar_t* subKey)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return ITEM_ABSENT;
    RegCloseKey(key);
    RegDeleteTreeW(HKEY_CURRENT_USER, subKey);
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return ITEM_REMOVED;
    RegCloseKey(key);
    return ITEM_LEFT;
}

static void RemoveShortcuts(UninstallReport* report)
{
    wchar_t* folder = 0;
    wchar_t path[MAX_PATH], startMenu[MAX_PATH];
    if (SUCCEEDED(SHGetKnownFolderPath(DESKTOP_FOLDER_ID, 0, 0, &folder))) {
        FormatCutW(path, MAX_PATH, SHORTCUT_FILE_FORMAT, folder, SHORTCUT_FILE_NAME);
        Note(report, RemoveFile(path), path);
        CoTaskMemFree(folder);
    }
    if (SUCCEEDED(SHGetKnownFolderPath(PROGRAMS_FOLDER_ID, 0, 0, &folder))) {
        FormatCutW(startMenu, MAX_PATH, START_MENU_FOLDER_FORMAT, folder);
        FormatCutW(path, MAX_PATH, SHORTCUT_FILE_FORMAT, startMenu, SHORTCUT_FILE_NAME);
        Note(report, RemoveFile(path), path);
        Note(report, RemoveEmptyFolder(startMenu, 0), startMenu);
        CoTaskMemFree(folder);
    }
}

void UninstallEverything(const wchar_t* installDir, BOOL removeUninstaller, UninstallReport* report)
{
    ZeroMemory(report, sizeof *report);
    wchar_t path[MAX_PATH];
    FormatCutW(path, MAX_PATH, APP_EXE_FORMAT, installDir);
    Note(report, RemoveFile(path), path);
    FormatCutW(path, MAX_PATH, PAGE_FILE_FORMAT, installDir);
    Note(report, RemoveFile(path), path);
    RemoveShortcuts(report);
    Note(report, RemoveKey(PRODUCT_KEY), L"HKEY_CURRENT_USER\\Software\\Tallybook");
    // While anything is left, the uninstaller and its entry stay, so the user can try again.
    if (report->left) return;
    if (removeUninstaller) {
        FormatCutW(path, MAX_PATH, UNINSTALLER_FORMAT, installDir);
        Note(report, RemoveFile(path), path);
    }
    Note(report, RemoveEmptyFolder(installDir, &report->folderKept), installDir);
    if (report->left == 0) Note(report, RemoveKey(UNINSTALL_KEY), L"HKEY_CURRENT_USER\\...\\Uninstall\\Tallybook");
}

void FormatReport(const UninstallReport* report, wchar_t* text, int capacity)
{
    if (report->left) {
        FormatCutW(text, capacity,
                   L"卸载未能全部完成，以下项目仍然存在：\n%s\n"
                   L"请关闭正在运行的 青禾书苑 后，再次运行 tallyuninstall.exe。",
                   report->leftList);
    } else if (report->removed == 0) {
        FormatCutW(text, capacity, L"没有找到 青禾书苑 的安装，无需卸载。");
    } else if (report->folderKept) {
        FormatCutW(text, capacity, L"青禾书苑 已卸载。\n\n安装文件夹中还有您自己的文件，已保留该文件夹。");
    } else {
        FormatCutW(text, capacity, L"青禾书苑 已卸载。");
    }
}
