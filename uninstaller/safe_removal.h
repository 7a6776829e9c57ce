// Removing a file only when it is ours: the very file at that place, not a
// link to something else, and not one name of a file that has others.
#pragma once
#include <windows.h>

enum ItemOutcome { ITEM_ABSENT, ITEM_REMOVED, ITEM_LEFT, ITEM_LINKED };

// The path with every link resolved ("\\?\C:\..."), in out (MAX_PATH); false
// when it does not exist or can't be opened.
BOOL ResolvePath(const wchar_t* path, wchar_t* out);
// True when the folder exists and is a symbolic link or junction.
BOOL IsLinkedFolder(const wchar_t* path);
// Deletes dir\name when it is a plain file there with one name only.
// resolvedDir is dir as ResolvePath gives it.
ItemOutcome RemoveOwnFile(const wchar_t* dir, const wchar_t* resolvedDir, const wchar_t* name);
// Removes a folder when it is empty and not a link.
ItemOutcome RemoveEmptyFolder(const wchar_t* path, BOOL* kept);
