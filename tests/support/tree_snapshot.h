// A folder tree as text: every entry's relative path, kind, size and a hash of
// its bytes. Two snapshots compare equal when nothing in the tree changed.
#pragma once
#include <windows.h>

#define SNAPSHOT_CAPACITY 65536
// Fills out (SNAPSHOT_CAPACITY bytes) with the tree under dir; links are
// listed as links and not followed.
void SnapshotTree(const wchar_t* dir, char* out);
