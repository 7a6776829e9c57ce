// Paths for the test programs, built so that a long temporary or clone folder
// fails the test with a message naming the path, never overruns a buffer.
#pragma once
#include <windows.h>

// Formats into dest (capacity characters, terminator included); a result that
// would not fit ends the test program with a message that names it.
void FormatChecked(wchar_t* dest, int capacity, const wchar_t* format, ...);
// dir\name into out (MAX_PATH), checked in the same way.
void JoinPath(const wchar_t* dir, const wchar_t* name, wchar_t* out);
