// Paths for the test programs, built with the checked formatter of ok.h: a
// long temporary or clone folder fails a check naming the path, never
// overruns a buffer.
#pragma once
#include "ok.h"

// dir\name into out (MAX_PATH), in the order of the programs' JoinWholePath.
void JoinPath(wchar_t* out, const wchar_t* dir, const wchar_t* name);
// A folder of exactly length characters (at most MAX_PATH + 7): dir and
// padding folders below it, all created. out holds MAX_PATH + 8 characters.
bool MakeFolderOfLength(const wchar_t* dir, int length, wchar_t* out);
// Removes a tree whose paths may pass MAX_PATH; links are not followed.
void DeleteDeepTree(const wchar_t* dir);
