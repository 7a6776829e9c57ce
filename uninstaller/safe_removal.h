// Removing a file only when it is ours: the very file at that place, not a
// link to something else, and not one name of a file that has others.
#pragma once
#include <windows.h>

enum ItemOutcome { ITEM_ABSENT, ITEM_REMOVED, ITEM_LEFT, ITEM_LINKED };

// The path with every link resolved, without the "\\?\" prefix the system
// adds (so it is no longer than the path itself), in out (MAX_PATH); false
// when it does not exist or can't be opened.
BOOL ResolvePath(const wchar_t* path, wchar_t* out);
// Opens the install folder itself and holds it: while the handle is open the
// folder can't be renamed or replaced by a link. resolved gets its path as
// ResolvePath gives it. INVALID_HANDLE_VALUE when it can't be opened, or
// (with *linked set) when it is a link.
HANDLE HoldFolder(const wchar_t* path, wchar_t* resolved, BOOL* linked);
// Deletes dir\name when it is a plain file there with one name only,
// waiting while another program holds it.
// resolvedDir is dir as ResolvePath gives it.
ItemOutcome RemoveOwnFile(const wchar_t* dir, const wchar_t* resolvedDir, const wchar_t* name);
enum FolderKept { FOLDER_GONE, FOLDER_HOLDS_OTHERS, FOLDER_HELD };
// Removes a folder when it is empty and not a link (waiting while another
// program holds it). When it stays, *kept (if given) says why.
ItemOutcome RemoveEmptyFolder(const wchar_t* path, FolderKept* kept);
