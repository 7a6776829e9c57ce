// Side files: the first free of "~partial0" to "~partial7" in the target's
// folder. The name is no longer than any of the product's file names, so the
// side path fits wherever the target's does. A side file is created with
// CREATE_NEW on the name itself. A plain file found there is what an earlier
// run left (killed mid-write, or held by a scanner): it is deleted through its
// own handle, or passed over when it stays held past the wait; a link or a folder there is
// never opened through, only passed over.
#include "whole_file.h"
#include "plain_file.h"
#include "product_layout.h"
#include "held_wait.h"

static const wchar_t* const SIDE_NAMES[] = {
    L"~partial0", L"~partial1", L"~partial2", L"~partial3", L"~partial4", L"~partial5", L"~partial6", L"~partial7", 0,
};

// A new side file for path, open for writing; its name in side.
static HANDLE CreateSideFile(const wchar_t* path, wchar_t* side)
{
    wchar_t folder[MAX_PATH];
    lstrcpynW(folder, path, MAX_PATH);
    wchar_t* slash = 0;
    for (wchar_t* p = folder; *p; ++p) if (*p == L'\\') slash = p;
    if (!slash) return INVALID_HANDLE_VALUE;
    *slash = 0;
    for (int i = 0; SIDE_NAMES[i]; ++i) {
        const wchar_t* name = SIDE_NAMES[i];
        if (!JoinWholePath(side, folder, name)) break;
        for (int attempt = 0; attempt < 2; ++attempt) {
            HANDLE file = CreateFileW(side, GENERIC_WRITE, 0, 0, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, 0);
            if (file != INVALID_HANDLE_VALUE) return file;
            // Taken by a file, a link or a folder (which answers "access denied"): a
            // leftover plain file goes, and the name is tried once more; else the next name.
            DWORD error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED)
                return INVALID_HANDLE_VALUE;
            if (attempt == 0 && !DeletePlainFile(side, 0)) break;
        }
    }
    return INVALID_HANDLE_VALUE;
}

static BOOL Commit(HANDLE file, const wchar_t* side, const wchar_t* path, BOOL whole, BOOL replace)
{
    // On the disk before the name moves: after a power cut the target is the
    // earlier file or the whole new one, never the right length of zeros.
    whole = whole && FlushFileBuffers(file);
    whole = CloseHandle(file) && whole;
    DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    // A target another program holds (a scan, a backup) can't be replaced for
    // that moment; a running program's file can't be at all, and still fails.
    BOOL moved = FALSE;
    DWORD waited = 0;
    while (whole && !(moved = MoveFileExW(side, path, flags)) && WaitWhileHeld(GetLastError(), &waited)) {}
    if (moved) return TRUE;
    // Ours: it did not exist before we created it. A scanner may be reading it.
    DeleteFileOnceFree(side);
    return FALSE;
}

BOOL WriteWholeFile(const wchar_t* path, const unsigned char* bytes, unsigned int count, BOOL replace)
{
    wchar_t side[MAX_PATH];
    HANDLE file = CreateSideFile(path, side);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    DWORD written = 0;
    BOOL whole = WriteFile(file, bytes, count, &written, 0) && written == count;
    return Commit(file, side, path, whole, replace);
}
