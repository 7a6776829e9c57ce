// Bounded formatting for fixed buffers. Only %s (a string of the same width)
// and %% are understood: the programs build paths, URLs and command lines, nothing else.
// A result that does not fit is cut at capacity - 1 and terminated; it never grows.
#pragma once
#include <wchar.h>

int FormatCutW(wchar_t* dest, int capacity, const wchar_t* format, ...);
int FormatCutA(char* dest, int capacity, const char* format, ...);
