// Install plan: the install location and the paths and figures derived from it.
#include "../support/ok.h"
#include "../../setup/install_plan.h"
#include <shlobj.h>

static void DeriveFrom(const wchar_t* localAppData)
{
    SetEnvironmentVariableW(L"LOCALAPPDATA", localAppData);
    InstallDir[0] = AppExePath[0] = 0;
    ComputeInstallPaths();
}

static void test_install_location()
{
    g_testContext = "install location";
    DeriveFrom(L"C:\\Users\\a\\AppData\\Local");
    ok(!lstrcmpW(InstallDir, L"C:\\Users\\a\\AppData\\Local\\Tallybook"), "InstallDir %s", u8(InstallDir));
    ok(!lstrcmpW(AppExePath, L"C:\\Users\\a\\AppData\\Local\\Tallybook\\tallybook.exe"), "AppExePath %s", u8(AppExePath));

    DeriveFrom(L"D:\\软件 (x86)");
    ok(!lstrcmpW(InstallDir, L"D:\\软件 (x86)\\Tallybook"), "non-ASCII InstallDir %s", u8(InstallDir));

    // Missing and empty both mean the user's known local folder, never one under C:\.
    wchar_t* known = 0;
    HRESULT hr = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, 0, &known);
    ok(SUCCEEDED(hr), "known local folder: 0x%08lx", hr);
    wchar_t expectedDir[MAX_PATH], expectedExe[MAX_PATH];
    FormatPath(expectedDir, L"%s\\Tallybook", SUCCEEDED(hr) ? known : L"?");
    FormatPath(expectedExe, L"%s\\Tallybook\\tallybook.exe", SUCCEEDED(hr) ? known : L"?");
    CoTaskMemFree(known);
    DeriveFrom(0);
    ok(!lstrcmpW(InstallDir, expectedDir) && InstallPathsWhole, "missing: InstallDir %s, expected %s", u8(InstallDir), u8(expectedDir));
    ok(!lstrcmpW(AppExePath, expectedExe), "missing: AppExePath %s, expected %s", u8(AppExePath), u8(expectedExe));
    DeriveFrom(L"");
    ok(!lstrcmpW(InstallDir, expectedDir) && InstallPathsWhole, "empty: InstallDir %s, expected %s", u8(InstallDir), u8(expectedDir));
}

static void test_long_base_folders()
{
    g_testContext = "long base folders";
    wchar_t base[400];
    // 250 characters: "%s\Tallybook" needs 260 and is cut at 259.
    base[0] = L'C'; base[1] = L':'; base[2] = L'\\';
    for (int i = 3; i < 250; ++i) base[i] = L'a' + (i % 26);
    base[250] = 0;
    DeriveFrom(base);
    ok(lstrlenW(InstallDir) == 259, "InstallDir length %d, expected 259", lstrlenW(InstallDir));
    ok(!wcsncmp(InstallDir, base, 250) && !wcsncmp(InstallDir + 250, L"\\Tallyboo", 9), "InstallDir cut: %s", u8(InstallDir + 245));
    ok(lstrlenW(AppExePath) == 259 && !wcsncmp(AppExePath, base, 250) && !wcsncmp(AppExePath + 250, L"\\Tallyboo", 9),
       "AppExePath cut like InstallDir: %d characters, ending %s", lstrlenW(AppExePath), u8(AppExePath + 245));

    wchar_t command[UNINSTALL_COMMAND_CAPACITY];
    FormatUninstallCommand(command);
    ok(lstrlenW(command) == 1 + 259 + 19 + 1, "longest uninstall command still whole: length %d", lstrlenW(command));
    ok(command[0] == L'"' && command[lstrlenW(command) - 1] == L'"', "longest uninstall command quoted");

    // 259 characters is the longest value the read can take in whole.
    for (int i = 250; i < 259; ++i) base[i] = L'b';
    base[259] = 0;
    DeriveFrom(base);
    ok(lstrlenW(InstallDir) == 259 && !wcsncmp(InstallDir, base, 259), "259-character base used, cut: %d", lstrlenW(InstallDir));

    // 260 and more cannot be read at all: no install folder, and no other folder instead.
    for (int i = 259; i < 399; ++i) base[i] = L'c';
    base[260] = 0;
    DeriveFrom(base);
    ok(!InstallPathsWhole && InstallDir[0] == 0, "260-character base: no install folder, got %s", u8(InstallDir));
    base[399] = 0;
    DeriveFrom(base);
    ok(!InstallPathsWhole && InstallDir[0] == 0, "399-character base: no install folder, got %s", u8(InstallDir));
}

static void test_uninstall_command()
{
    g_testContext = "uninstall command";
    DeriveFrom(L"C:\\Users\\a\\AppData\\Local");
    wchar_t command[UNINSTALL_COMMAND_CAPACITY];
    FormatUninstallCommand(command);
    ok(!lstrcmpW(command, L"\"C:\\Users\\a\\AppData\\Local\\Tallybook\\tallyuninstall.exe\""), "got %s", u8(command));
}

static void test_estimated_size()
{
    g_testContext = "estimated size";
    ok(EstimatedSizeKb(128000, 58697) == 183, "got %lu, expected 183", EstimatedSizeKb(128000, 58697));
    ok(EstimatedSizeKb(1024, 0) == 2, "exact multiple of 1024: got %lu, expected 2", EstimatedSizeKb(1024, 0));
    ok(EstimatedSizeKb(512, 512) == 2, "sum is the multiple: got %lu, expected 2", EstimatedSizeKb(512, 512));
    ok(EstimatedSizeKb(1023, 0) == 1, "below one kilobyte: got %lu, expected 1", EstimatedSizeKb(1023, 0));
    ok(EstimatedSizeKb(0, 0) == 1, "empty payloads: got %lu, expected 1", EstimatedSizeKb(0, 0));
}

static void test_payloads()
{
    g_testContext = "payloads";
    DWORD size = 0;
    unsigned char* page = ReadWholeFile(TALLY_SOURCE_DIR L"\\payload\\index.html", &size);
    PayloadBlob blob = PagePayload();
    ok(page && blob.size == size && !memcmp(blob.bytes, page, size), "page payload %u bytes, file %lu bytes", blob.size, size);
    if (page) HeapFree(GetProcessHeap(), 0, page);
    blob = LauncherPayload();
    ok(blob.size > 1024 && blob.bytes[0] == 'M' && blob.bytes[1] == 'Z', "launcher payload is an executable of %u bytes", blob.size);
    blob = UninstallerPayload();
    ok(blob.size > 1024 && blob.bytes[0] == 'M' && blob.bytes[1] == 'Z', "uninstaller payload is an executable of %u bytes", blob.size);
}

int wmain()
{
    test_install_location();
    test_long_base_folders();
    test_uninstall_command();
    test_estimated_size();
    test_payloads();
    return test_summary("install plan");
}
