// Install actions against the real file system, shell links and registry.
#include "../support/ok.h"
#include "../../setup/install_actions.h"
#include "../../setup/install_plan.h"
#include "../../common/whole_file.h"
#include <shlobj.h>

static const wchar_t TEST_KEY[] = L"Software\\TallybookTests\\Actions";

static void test_directory_chain()
{
    g_testContext = "directory chain";
    wchar_t root[MAX_PATH], deep[MAX_PATH], level[MAX_PATH];
    MakeTempDir(L"chain", root);
    FormatPath(deep, L"%s\\one\\二\\three four\\Tallybook", root);
    CreateDirectoryChain(deep);
    const wchar_t* levels[] = { L"one", L"one\\二", L"one\\二\\three four", L"one\\二\\three four\\Tallybook" };
    for (const wchar_t* l : levels) {
        FormatPath(level, L"%s\\%s", root, l);
        ok(DirExists(level), "missing level %s", u8(level));
    }
    CreateDirectoryChain(deep);  // again over an existing chain: harmless
    ok(DirExists(deep), "chain survives a second call");
    DeleteTree(root);
}

// No "~partial*" side file may stay beside a written file, whatever the outcome.
static void CheckNoSideFiles(const wchar_t* path)
{
    wchar_t pattern[MAX_PATH];
    FormatPath(pattern, L"%s", path);
    *wcsrchr(pattern, L'\\') = 0;
    lstrcatW(pattern, L"\\~partial*");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    ok(search == INVALID_HANDLE_VALUE, "no side file left: %s", search == INVALID_HANDLE_VALUE ? "" : u8(found.cFileName));
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

static void test_write_into_missing_folder()
{
    g_testContext = "write into a missing folder";
    wchar_t root[MAX_PATH], path[MAX_PATH];
    MakeTempDir(L"write", root);
    FormatPath(path, L"%s\\missing\\index.html", root);
    const unsigned char bytes[] = "0123456789";
    ok(!WriteWholeFile(path, bytes, 10, TRUE), "write into a missing folder reports failure");
    FormatPath(path, L"%s\\missing", root);
    ok(!DirExists(path) && !FileExists(path), "nothing created for a missing folder");
    DeleteTree(root);
}

static void test_write_over_larger_file()
{
    g_testContext = "write over a larger file";
    wchar_t root[MAX_PATH], path[MAX_PATH];
    MakeTempDir(L"write", root);
    FormatPath(path, L"%s\\page.html", root);
    WriteTextFile(path, "a much longer earlier file that must not leave a tail behind");
    const unsigned char bytes[] = "0123456789";
    ok(WriteWholeFile(path, bytes, 10, TRUE) == TRUE, "write over a larger file succeeds");
    DWORD size = 0;
    unsigned char* back = ReadWholeFile(path, &size);
    ok(back && size == 10 && !memcmp(back, bytes, 10), "exactly the new bytes remain: %lu bytes '%s', expected 10 '0123456789'",
       size, back ? (const char*)back : "");
    if (back) HeapFree(GetProcessHeap(), 0, back);
    CheckNoSideFiles(path);
    DeleteTree(root);
}

static void test_write_empty_file()
{
    g_testContext = "write an empty file";
    wchar_t root[MAX_PATH], path[MAX_PATH];
    MakeTempDir(L"write", root);
    FormatPath(path, L"%s\\page.html", root);
    WriteTextFile(path, "an earlier page");
    ok(WriteWholeFile(path, (const unsigned char*)"", 0, TRUE) == TRUE, "an empty payload is a whole write");
    DWORD size = 99;
    unsigned char* back = ReadWholeFile(path, &size);
    ok(back && size == 0, "empty file: %lu bytes, expected 0", size);
    if (back) HeapFree(GetProcessHeap(), 0, back);
    DeleteTree(root);
}

// A file held open without sharing cannot be replaced.
static void test_write_over_file_in_use()
{
    g_testContext = "write over a file in use";
    wchar_t root[MAX_PATH], path[MAX_PATH];
    MakeTempDir(L"write", root);
    FormatPath(path, L"%s\\page.html", root);
    WriteTextFile(path, "in use");
    HANDLE held = CreateFileW(path, GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0);
    const unsigned char bytes[] = "0123456789";
    ok(!WriteWholeFile(path, bytes, 10, TRUE), "a file in use reports failure");
    CloseHandle(held);
    CheckNoSideFiles(path);
    DeleteTree(root);
}

// A write that fails part way (as on a full disk: here the second half of the
// bytes can't be read) leaves the earlier complete file exactly as it was, or
// no file when there was none, and no side file.
static void test_write_failing_part_way()
{
    g_testContext = "write failing part way";
    wchar_t root[MAX_PATH], path[MAX_PATH];
    MakeTempDir(L"partway", root);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    DWORD pageSize = system.dwPageSize;
    unsigned char* bytes = (unsigned char*)VirtualAlloc(0, 2 * pageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    memset(bytes, 'x', 2 * pageSize);
    DWORD old;
    VirtualProtect(bytes + pageSize, pageSize, PAGE_NOACCESS, &old);

    wsprintfW(path, L"%s\\tallybook.exe", root);
    ok(!WriteWholeFile(path, bytes, 2 * pageSize, TRUE), "a write failing part way reports failure");
    ok(!FileExists(path), "no cut file where there was none");
    CheckNoSideFiles(path);

    const char earlier[] = "the earlier, complete launcher";
    ok(WriteTextFile(path, earlier), "earlier file written to %s (error %lu)", u8(path), GetLastError());
    ok(!WriteWholeFile(path, bytes, 2 * pageSize, TRUE), "failing over an earlier file reports failure");
    DWORD size = 0;
    unsigned char* back = ReadWholeFile(path, &size);
    ok(back && size == sizeof earlier - 1 && !memcmp(back, earlier, size), "the earlier file stays whole: %lu bytes", size);
    if (back) HeapFree(GetProcessHeap(), 0, back);
    CheckNoSideFiles(path);

    VirtualFree(bytes, 0, MEM_RELEASE);
    DeleteTree(root);
}

// Side files an interrupted run left at every side name: removed, and the
// write lands whole.
static void test_stale_side_files()
{
    g_testContext = "stale side files";
    wchar_t root[MAX_PATH], path[MAX_PATH], side[MAX_PATH];
    MakeTempDir(L"stale", root);
    FormatPath(path, L"%s\\index.html", root);
    for (int i = 0; i < 8; ++i) {
        FormatPath(side, L"%s\\~partial%d", root, i);
        ok(WriteTextFile(side, "cut short"), "stale side file %d", i);
    }
    static const unsigned char page[] = "<!DOCTYPE html><title>whole</title>";
    ok(WriteWholeFile(path, page, sizeof page, TRUE), "write with all eight side names taken by stale files");
    DWORD size = 0;
    unsigned char* back = ReadWholeFile(path, &size);
    ok(back && size == sizeof page && !memcmp(back, page, size), "the page is whole: %lu bytes, expected %u", size,
       (unsigned)sizeof page);
    if (back) HeapFree(GetProcessHeap(), 0, back);
    DeleteTree(root);
}

// A folder, or a link to a user's file, at a side name is passed over and
// stays as it is.
static void test_folder_and_link_at_side_names()
{
    g_testContext = "folder and link at side names";
    wchar_t root[MAX_PATH], path[MAX_PATH], side[MAX_PATH], user[MAX_PATH];
    MakeTempDir(L"stale", root);
    FormatPath(path, L"%s\\index.html", root);
    FormatPath(user, L"%s\\notes.txt", root);
    WriteTextFile(user, "the user's notes");
    FormatPath(side, L"%s\\~partial0", root);
    CreateDirectoryW(side, 0);
    FormatPath(side, L"%s\\~partial1", root);
    bool linked = CreateHardLinkW(side, user, 0) != 0;
    ok(linked, "a hard link to the user's file at ~partial1");
    static const unsigned char page[] = "<!DOCTYPE html><title>whole</title>";
    ok(WriteWholeFile(path, page, sizeof page - 1, TRUE), "write beside a folder and a link at side names");
    DWORD size = 0;
    unsigned char* back = ReadWholeFile(user, &size);
    ok(back && size == 16 && !memcmp(back, "the user's notes", 16), "the user's file is untouched: %lu bytes, expected 16", size);
    if (back) HeapFree(GetProcessHeap(), 0, back);
    ok(!linked || FileExists(side), "the link stays");
    FormatPath(side, L"%s\\~partial0", root);
    ok(DirExists(side), "the folder stays");
    DeleteTree(root);
}

static void test_shortcut()
{
    g_testContext = "shortcut";
    wchar_t folder[MAX_PATH], file[MAX_PATH];
    MakeTempDir(L"shortcut", folder);
    const wchar_t* target = L"C:\\Users\\a\\AppData\\Local\\Tallybook\\tallybook.exe";
    lstrcpyW(AppExePath, target);
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    ok(CreateAppShortcut(folder) == TRUE, "shortcut saved");
    FormatPath(file, L"%s\\青禾书苑.lnk", folder);
    ok(FileExists(file), "shortcut file %s", u8(file));

    IShellLinkW* link = 0;
    IPersistFile* persist = 0;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, 0, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link);
    ok(SUCCEEDED(hr), "shell link object: 0x%08lx", hr);
    if (SUCCEEDED(hr)) {
        link->QueryInterface(IID_IPersistFile, (void**)&persist);
        hr = persist->Load(file, STGM_READ);
        ok(SUCCEEDED(hr), "load: 0x%08lx", hr);
        wchar_t text[MAX_PATH] = L"";
        int index = -1;
        link->GetPath(text, MAX_PATH, 0, SLGP_RAWPATH);
        ok(!lstrcmpiW(text, target), "target %s, expected %s", u8(text), u8(target));
        link->GetDescription(text, MAX_PATH);
        ok(!lstrcmpW(text, L"青禾书苑 · Tallybook 桌面版"), "description %s", u8(text));
        link->GetIconLocation(text, MAX_PATH, &index);
        ok(!lstrcmpiW(text, target) && index == 0, "icon %s,%d, expected %s,0", u8(text), index, u8(target));
        link->GetArguments(text, MAX_PATH);
        ok(text[0] == 0, "no arguments: %s", u8(text));
        persist->Release();
        link->Release();
    }
    CoUninitialize();
    DeleteTree(folder);
}

// A shortcut that could not be saved is reported, and nothing replaces what held its name.
static void test_shortcut_not_saved()
{
    g_testContext = "shortcut not saved";
    wchar_t folder[MAX_PATH], file[MAX_PATH], missing[MAX_PATH];
    MakeTempDir(L"noshortcut", folder);
    lstrcpyW(AppExePath, L"C:\\Users\\a\\AppData\\Local\\Tallybook\\tallybook.exe");
    CoInitializeEx(0, COINIT_APARTMENTTHREADED);
    FormatPath(file, L"%s\\青禾书苑.lnk", folder);
    CreateDirectoryW(file, 0);
    ok(CreateAppShortcut(folder) == FALSE, "a folder named like the shortcut: reported as not saved");
    ok(DirExists(file), "the folder stays a folder");
    FormatPath(missing, L"%s\\no such folder", folder);
    ok(CreateAppShortcut(missing) == FALSE, "a missing folder: reported as not saved");
    ok(!DirExists(missing), "the missing folder is not created");
    CoUninitialize();
    DeleteTree(folder);
}

static void test_registry_strings()
{
    g_testContext = "registry strings";
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TallybookTests");
    ok(RegWriteString(TEST_KEY, L"Version", L"2.0") == ERROR_SUCCESS, "string write status");
    wchar_t text[64];
    DWORD type = 0, size = sizeof text;
    LONG status = ReadRegValue(TEST_KEY, L"Version", &type, text, &size);
    ok(status == ERROR_SUCCESS && type == REG_SZ && size == 8 && !lstrcmpW(text, L"2.0"),
       "\"2.0\": status %ld type %lu size %lu, expected REG_SZ of 8 bytes", status, type, size);

    ok(RegWriteString(TEST_KEY, L"DisplayName", L"青禾书苑 (Tallybook)") == ERROR_SUCCESS, "Chinese string write");
    size = sizeof text;
    ReadRegValue(TEST_KEY, L"DisplayName", &type, text, &size);
    ok(size == 34 && !lstrcmpW(text, L"青禾书苑 (Tallybook)"), "Chinese string: size %lu %s, expected 34", size, u8(text));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TallybookTests");
}

static void test_registry_numbers()
{
    g_testContext = "registry numbers";
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TallybookTests");
    DWORD number = 0, type = 0, size = sizeof number;
    ok(RegWriteDword(TEST_KEY, L"EstimatedSize", 183) == ERROR_SUCCESS, "dword write status");
    LONG status = ReadRegValue(TEST_KEY, L"EstimatedSize", &type, &number, &size);
    ok(status == ERROR_SUCCESS && type == REG_DWORD && size == 4 && number == 183,
       "dword: type %lu size %lu value %lu, expected REG_DWORD 183", type, size, number);

    ok(RegWriteDword(TEST_KEY, L"EstimatedSize", 7) == ERROR_SUCCESS, "dword overwrite");
    size = sizeof number;
    ReadRegValue(TEST_KEY, L"EstimatedSize", &type, &number, &size);
    ok(number == 7, "overwritten value %lu, expected 7", number);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TallybookTests");
}

// A value the registry refuses (a name over 16,383 characters) is a failed
// write, although its key opened and closed.
static void test_registry_value_refused()
{
    g_testContext = "registry value refused";
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TallybookTests");
    static wchar_t longName[16400];
    for (int i = 0; i < 16399; ++i) longName[i] = L'v';
    longName[16399] = 0;
    LONG status = RegWriteString(TEST_KEY, longName, L"2.0");
    ok(status != ERROR_SUCCESS, "value with a 16,399-character name: status %ld, expected a failure", status);
    status = RegWriteDword(TEST_KEY, longName, 1);
    ok(status != ERROR_SUCCESS, "number with a 16,399-character name: status %ld, expected a failure", status);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TallybookTests");
}

int wmain()
{
    test_directory_chain();
    test_write_into_missing_folder();
    test_write_over_larger_file();
    test_write_empty_file();
    test_write_over_file_in_use();
    test_write_failing_part_way();
    test_stale_side_files();
    test_folder_and_link_at_side_names();
    test_shortcut();
    test_shortcut_not_saved();
    test_registry_strings();
    test_registry_numbers();
    test_registry_value_refused();
    return test_summary("install actions");
}
