// Install actions: shortcuts and registry values. None keeps state between
// calls; folders and files go through common/ directly.
#include "install_actions.h"
#include "install_plan.h"
#include "../common/held_wait.h"
#include <shlobj.h>

BOOL CreateAppShortcut(const wchar_t* folder)
{
    IShellLinkW* link = 0;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, 0, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link);
    if (FAILED(hr) || !link) return FALSE;
    link->SetPath(AppExePath);
    link->SetDescription(SHORTCUT_DESCRIPTION);
    link->SetIconLocation(AppExePath, 0);

    BOOL saved = FALSE;
    IPersistFile* persist = 0;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&persist)) && persist) {
        wchar_t file[MAX_PATH];
        // A folder of that name answers "access denied" for good: no wait for it.
        if (JoinWholePath(file, folder, SHORTCUT_FILE_NAME) && !IsFolderPath(file)) {
            // The shell, a sync client or a scanner may be reading the old shortcut.
            HRESULT hr;
            DWORD waited = 0;
            while (FAILED(hr = persist->Save(file, TRUE)) && WaitWhileHeldHr(hr, &waited)) {}
            saved = SUCCEEDED(hr);
        }
        persist->Release();
    }
    link->Release();
    return saved;
}

// The value's own status first: a value that was not stored is a failure
// even when the key opened and closed.
static LONG RegWriteValue(const wchar_t* subKey, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = 0;
    LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, subKey, 0, 0, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, 0, &key, 0);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExW(key, name, 0, type, (const BYTE*)data, size);
    LONG closed = RegCloseKey(key);
    return status != ERROR_SUCCESS ? status : closed;
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
