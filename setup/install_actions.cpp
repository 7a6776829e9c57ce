// Install actions: directory chain, payload files, the uninstaller copy,
// shortcuts and registry values. None keeps state between calls.
#include "install_actions.h"
#include "install_plan.h"
#include "../common/bounded_format.h"
#include "../common/whole_file.h"
#include <shlobj.h>
#include <wchar.h>

void CreateDirectoryChain(const wchar_t* path)
{
    CreateFolderChain(path);
}

// Written whole or not at all: a full disk or a failed write never leaves a
// cut file behind, and an earlier complete file stays until the new one is whole.
BOOL WriteWholeFile(const wchar_t* path, const unsigned char* bytes, unsigned int count)
{
    return WriteFileWhole(path, bytes, count, TRUE);
}

DeployResult DeployUninstaller()
{
    // An own path too long to read whole hides whether an uninstaller is beside it.
    wchar_t ownDir[MAX_PATH], source[MAX_PATH];
    if (!OwnFolder(ownDir) || !FormatWholePath(source, UNINSTALLER_FORMAT, ownDir)) return DEPLOY_FAILED;
    // A missing source (all bits set) and a folder of that name are both skipped.
    if (GetFileAttributesW(source) & FILE_ATTRIBUTE_DIRECTORY) return DEPLOY_SKIPPED;

    wchar_t destination[MAX_PATH];
    if (!InstalledFilePath(UNINSTALLER_FORMAT, destination)) return DEPLOY_FAILED;
    return CopyFileWhole(source, destination) ? DEPLOY_COPIED : DEPLOY_FAILED;
}

void CreateAppShortcut(const wchar_t* folder)
{
    IShellLinkW* link = 0;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, 0, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link);
    if (FAILED(hr) || !link) return;
    link->SetPath(AppExePath);
    link->SetDescription(SHORTCUT_DESCRIPTION);
    link->SetIconLocation(AppExePath, 0);

    IPersistFile* persist = 0;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&persist)) && persist) {
        wchar_t file[MAX_PATH];
        if (FormatWholePath(file, SHORTCUT_FILE_FORMAT, folder, SHORTCUT_FILE_NAME)) persist->Save(file, TRUE);
        persist->Release();
    }
    link->Release();
}

static LONG RegWriteValue(const wchar_t* subKey, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = 0;
    LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, subKey, 0, 0, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, 0, &key, 0);
    if (status != ERROR_SUCCESS) return status;
    RegSetValueExW(key, name, 0, type, (const BYTE*)data, size);
    return RegCloseKey(key);
}

LONG RegWriteString(const wchar_t* subKey, const wchar_t* name, const wchar_t* text)
{
    // The terminator is part of the stored data.
    return RegWriteValue(subKey, name, REG_SZ, text, (DWORD)(lstrlenW(text) + 1) * 2);
}

LONG RegWriteDword(const wchar_t* subKey, const wchar_t* name, DWORD value)
{
    return RegWriteValue(subKey, name, REG_DWORD, &value, sizeof value);
}
