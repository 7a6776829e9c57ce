// Symbolic links for the tests. Wine's CreateSymbolicLinkW makes nothing, but
// Wine shows a Unix symbolic link in a prefix folder as Windows shows a link
// (a folder link as a reparse point), so the tests make Unix links. Wine's
// DeleteFileW on a link to a file deletes the file it points at: remove links
// with RemoveSymbolicLink only.
#pragma once
#include <windows.h>

// Makes link point at target (both Windows paths); false when it failed.
bool MakeSymbolicLink(const wchar_t* target, const wchar_t* link);
// Removes the link itself.
void RemoveSymbolicLink(const wchar_t* link);
