// tallyuninstall.exe: removes the install at the place the setup program
// installs to, and only when it is that install's own uninstaller. It asks,
// hands the work to a temporary copy of itself (so that its own file can go
// too), and says what happened. Anywhere else it removes nothing.
#include "uninstall_items.h"
#include "self_removal.h"
#include "../common/plain_file.h"
#include "../common/product_layout.h"
#include "../common/install_folder.h"
#include "../common/bounded_format.h"
#include "../common/dll_search.h"
#include <objbase.h>
#include <shellapi.h>

static const wchar_t CAPTION[] = L"青禾书苑";
static const wchar_t QUESTION[] =
    L"确定要卸载 青禾书苑 吗？\n\n将删除程序文件、桌面与开始菜单快捷方式以及卸载信息。";
static const wchar_t NOT_INSTALLED[] = L"没有在 %s 找到 青禾书苑 的安装，无需卸载。";
static const wchar_t NOT_THE_INSTALL[] =
    L"这个 tallyuninstall.exe 不是已安装的卸载程序，没有删除任何内容。\n\n"
    L"青禾书苑 安装在：\n%s\n\n如需卸载，请运行该文件夹中的 tallyuninstall.exe。";
static const wchar_t LINKED_INSTALL[] =
    L"安装文件夹 %s 是一个链接，为保护它指向的文件，没有删除任何内容。";
static const wchar_t FINISH_REFUSED[] =
    L"没有删除任何内容：卸载只能由安装文件夹中的 tallyuninstall.exe 开始。";

// Where the setup program installs; read once at the start.
static wchar_t g_installDir[MAX_PATH];
static BOOL g_installDirWhole;

static void Tell(const wchar_t* format, const wchar_t* path, UINT icon)
{
    wchar_t text[1024];
    FormatCutW(text, 1024, format, path);
    MessageBoxW(0, text, CAPTION, MB_OK | icon);
}

static void UninstallAndReport(BOOL removeUninstaller)
{
    UninstallReport report;
    UninstallEverything(g_installDir, removeUninstaller, &report);
    wchar_t text[2 * REPORT_CAPACITY + 512];
    FormatReport(&report, text, sizeof text / sizeof text[0]);
    MessageBoxW(0, text, CAPTION, MB_OK | (report.left || report.linked ? MB_ICONWARNING : MB_ICONINFORMATION));
}

// The planned install's uninstaller, with links resolved; false when there is none.
static BOOL InstalledUninstaller(wchar_t* resolved)
{
    wchar_t planned[MAX_PATH];
    // A cut path names some other file: then there is no install of ours to find.
    return g_installDirWhole && JoinWholePath(planned, g_installDir, UNINSTALLER_FILE_NAME) && ResolvePath(planned, resolved);
}

static void RunInstalled()
{
    wchar_t ownPath[MAX_PATH], resolvedOwn[MAX_PATH], resolvedPlanned[MAX_PATH];
    DWORD n = GetModuleFileNameW(0, ownPath, MAX_PATH);
    if (!InstalledUninstaller(resolvedPlanned)) { Tell(NOT_INSTALLED, g_installDir, MB_ICONINFORMATION); return; }
    if (n == 0 || n >= MAX_PATH || !ResolvePath(ownPath, resolvedOwn) || lstrcmpiW(resolvedOwn, resolvedPlanned)) {
        Tell(NOT_THE_INSTALL, g_installDir, MB_ICONINFORMATION);
        return;
    }
    if (IsLinkPath(g_installDir)) { Tell(LINKED_INSTALL, g_installDir, MB_ICONWARNING); return; }
    if (MessageBoxW(0, QUESTION, CAPTION, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
    // If the hand-off fails, do the work here: all but this file, its folder
    // and its entry in Windows' list, so that it can be run again.
    if (!HandOffToTemporaryCopy()) UninstallAndReport(FALSE);
}

static void RunTemporaryCopy(const wchar_t* starterText, const wchar_t* answerText)
{
    wchar_t resolvedPlanned[MAX_PATH];
    if (!InstalledUninstaller(resolvedPlanned) || !AcceptHandOff(starterText, answerText, resolvedPlanned)
        || IsLinkPath(g_installDir)) {
        MessageBoxW(0, FINISH_REFUSED, CAPTION, MB_OK | MB_ICONWARNING);
        return;
    }
    UninstallAndReport(TRUE);
    LeaveTemporaryFolder();
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    RestrictDllSearchToSystem();
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    g_installDirWhole = PlannedInstallFolder(g_installDir);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc >= 2 && !lstrcmpW(argv[1], L"--finish")) RunTemporaryCopy(argc == 4 ? argv[2] : L"", argc == 4 ? argv[3] : L"");
    else RunInstalled();
    if (argv) LocalFree(argv);
    CoUninitialize();
    return 0;
}
