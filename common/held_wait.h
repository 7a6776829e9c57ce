// Other programs open our files for a moment: a virus scanner reads a file
// just written or about to run, a sync client backs up the desktop's
// shortcut, Explorer reads a shortcut to draw its icon. Many open for reading
// without sharing deletion or writing, and for that moment Windows refuses to
// replace, rename or delete the file. Every such operation of ours tries
// again after a short pause, for a bounded time, and only then fails.
#pragma once
#include <windows.h>

// The most one operation waits in all, in milliseconds.
#define HELD_WAIT_MS 5000

// True for what a file held by another program answers: a sharing or lock
// violation, or access denied (which a replace of a held file gives).
BOOL IsHeldError(DWORD error);
// After a failed attempt: when error is a held file's and the wait is not
// spent, pauses (a little longer each time) and returns TRUE to try again.
// *waitedMs starts at 0 for each operation. Leaves error as the last error.
BOOL WaitWhileHeld(DWORD error, DWORD* waitedMs);
// The same for a COM result (a shortcut's save).
BOOL WaitWhileHeldHr(HRESULT hr, DWORD* waitedMs);
// DeleteFileW and RemoveDirectoryW, each with the wait.
BOOL DeleteFileOnceFree(const wchar_t* path);
BOOL RemoveFolderOnceFree(const wchar_t* path);
