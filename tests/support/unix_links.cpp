// Wine runs a Unix program that a Windows program starts by its Z: path.
#include "unix_links.h"
#include "ok.h"

typedef char* (CDECL* UnixNameFn)(LPCWSTR);

static char* UnixName(const wchar_t* path)
{
    UnixNameFn unixName = (UnixNameFn)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    return unixName ? unixName(path) : 0;
}

// The Unix name of a path whose last part need not exist.
static bool UnixPathOf(const wchar_t* path, char* out, int capacity)
{
    wchar_t parent[MAX_PATH];
    lstrcpynW(parent, path, MAX_PATH);
    wchar_t* slash = wcsrchr(parent, L'\\');
    if (!slash) return false;
    *slash = 0;
    char* unixParent = UnixName(parent);
    if (!unixParent) return false;
    bool fits = lstrlenA(unixParent) + 1 + lstrlenA(u8(slash + 1)) < capacity;
    if (fits) wsprintfA(out, "%s/%s", unixParent, u8(slash + 1));
    HeapFree(GetProcessHeap(), 0, unixParent);
    return fits;
}

// Wine does not wait for a Unix child: the caller polls for its effect.
static int RunUnix(const char* command)
{
    static wchar_t wide[8192];
    MultiByteToWideChar(CP_UTF8, 0, command, -1, wide, 8192);
    STARTUPINFOW si = { sizeof si };
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(0, wide, 0, 0, FALSE, 0, 0, 0, &si, &pi)) return -1;
    WaitForSingleObject(pi.hProcess, 10000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}

bool MakeSymbolicLink(const wchar_t* target, const wchar_t* link)
{
    static char unixTarget[4096], unixLink[4096], command[8192];
    bool made = false;
    if (UnixPathOf(target, unixTarget, 4096) && UnixPathOf(link, unixLink, 4096)) {
        wsprintfA(command, "Z:\\bin\\ln -s \"%s\" \"%s\"", unixTarget, unixLink);
        int code = RunUnix(command);
        for (int i = 0; i < 100 && !made; ++i) {
            made = GetFileAttributesW(link) != INVALID_FILE_ATTRIBUTES;
            if (!made) Sleep(50);
        }
        if (!made) printf("  %s: exit code %d, error %lu\n", command, code, GetLastError());
    }
    ok(made, "symbolic link %s -> %s", u8(link), u8(target));
    return made;
}

void RemoveSymbolicLink(const wchar_t* link)
{
    static char unixLink[4096], command[8192];
    if (!UnixPathOf(link, unixLink, 4096)) return;
    wsprintfA(command, "Z:\\bin\\rm -f \"%s\"", unixLink);
    RunUnix(command);
    for (int i = 0; i < 100 && GetFileAttributesW(link) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
}
