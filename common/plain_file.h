// Deleting a file only when it is the very file at that place: opened without
// following a link, checked through the same handle, deleted through it. What
// a link leads to, or a file that has other names, is never touched.
#pragma once
#include <windows.h>

// Tags of reparse points that lead elsewhere (symbolic links, junctions, mount
// points). Other tags (cloud files, deduplication) mark ordinary files.
BOOL IsLinkReparseTag(DWORD tag);
// True when the open handle is a link by that rule (a reparse point whose tag
// can't be read counts as a link).
BOOL IsLinkHandle(HANDLE h);
// The same for a path itself, as its folder lists it; false when it is absent.
BOOL IsLinkPath(const wchar_t* path);
// path itself, never what it leads to, open for deletion (plus extraAccess);
// INVALID_HANDLE_VALUE when it can't be opened so. A file another program
// holds is waited for (held_wait.h), and so is its deletion below.
HANDLE OpenItself(const wchar_t* path, DWORD extraAccess, DWORD shareMode);
// True when the handle is a file (not a folder, not a link) with one name only.
BOOL IsPlainFile(HANDLE h);
BOOL DeleteThroughHandle(HANDLE h);
// Deletes path when it is a plain file. extraAccess asks for more than the
// deletion needs: FILE_WRITE_DATA, for one, is refused for a running program.
BOOL DeletePlainFile(const wchar_t* path, DWORD extraAccess);
