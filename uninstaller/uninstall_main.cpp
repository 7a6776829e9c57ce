// tallyuninstall.exe: asks, removes what the setup program installed, and says
// what happened. Run from the install folder it hands the work to a temporary
// copy of itself, so that its own file can go too.
#include "uninstall_items.h"
#include "self_removal.h"
#include "../setup/install_plan.h"
#include "../common/bounded_format.h"
#include "../common/dll_search.h"
#include <objbase.h>
#include <shellapi.h>
#include <wchar.h>

static const wchar_t CAPTION[] = L"青禾书苑";
static const wchar_t QUESTION[] =
    L"确定要卸载 青禾书苑 吗？\n\n将删除程序文件、桌面与开始菜单快捷方式以及卸载信息。";

// The install folder: where this program runs when that is an install
// folder, else where the setup program would have installed.
static void ChooseInstallDir(const wchar_t* ownPath, wchar_t* installDir)
{
    ComputeInstallPaths();
    lstrcpynW(installDir, InstallDir, MAX_PATH);
    wchar_t ownDir[MAX_PATH], launcher[MAX_PATH];
    lstrcpynW(ownDir, ownPath, MAX_PATH);
    wchar_t* slash = wcsrchr(ownDir, L'\\');
    if (!slash) return;
    *slash = 0;
    FormatCutW(launcher, MAX_PATH, APP_EXE_FORMAT, ownDir);
    const wchar_t* folderName = wcsrchr(ownDir, L'\\');
    DWORD attributes = GetFileAttributesW(launcher);
    BOOL looksInstalled = folderName && !lstrcmpiW(folderName + 1, L"Tallybook")
                       && attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (!lstrcmpiW(ownDir, InstallDir) || looksInstalled) lstrcpynW(installDir, ownDir, MAX_PATH);
}

static void UninstallAndReport(const wchar_t* installDir, BOOL removeUninstaller)
{
    UninstallReport report;
    UninstallEverything(installDir, removeUninstaller, &report);
    wchar_t text[REPORT_CAPACITY + 256];
    FormatReport(&report, text, sizeof text / sizeof text[0]);
    MessageBoxW(0, text, CAPTION, MB_OK | (report.left ? MB_ICONWARNING : MB_ICONINFORMATION));
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    RestrictDllSearchToSystem();
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);

    if (argv && argc == 4 && !lstrcmpW(argv[1], L"--finish")) {
        // The temporary copy: the installed uninstaller has asked and ended.
        WaitForHandingProcess(argv[2]);
        UninstallAndReport(argv[3], TRUE);
    } else {
        wchar_t ownPath[MAX_PATH], installDir[MAX_PATH], installed[MAX_PATH];
        DWORD n = GetModuleFileNameW(0, ownPath, MAX_PATH);
        ownPath[n < MAX_PATH ? n : MAX_PATH - 1] = 0;
        ChooseInstallDir(ownPath, installDir);
        if (MessageBoxW(0, QUESTION, CAPTION, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES) {
            FormatCutW(installed, MAX_PATH, UNINSTALLER_FORMAT, installDir);
            BOOL runningInstalledCopy = !lstrcmpiW(ownPath, installed);
            // If the hand-off fails, do the work here; only this file then stays.
            if (!runningInstalledCopy || !HandOffToTemporaryCopy(installDir))
                UninstallAndReport(installDir, !runningInstalledCopy);
        }
    }
    if (argv) LocalFree(argv);
    CoUninitialize();
    return 0;
}
