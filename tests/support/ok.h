// ok()-style checks in the manner of Wine's conformance tests: every failed
// check prints where it was and what was got against what was expected.
#pragma once
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>
// FindWindowOf, ControlText and the rest the tests share with the tools.
#include "../../tools/driver/process_windows.h"

extern int g_failures;
extern int g_checks;
extern const char* g_testContext;

bool ok_at(const char* file, int line, bool condition, const char* format, ...);
#define ok(cond, ...) ok_at(__FILE__, __LINE__, (cond), __VA_ARGS__)

// Wide text as UTF-8, for messages; returns one of a few rotating buffers.
const char* u8(const wchar_t* text);

// Formats a path (wsprintfW's format) into out, which holds capacity characters.
// A path that does not fit fails a check that names it, and leaves out empty
// rather than cut, so nothing acts on a shortened path.
bool FormatPathAt(const char* file, int line, wchar_t* out, int capacity, const wchar_t* format, ...);
template <typename T, size_t N> constexpr int ArrayCount(T (&)[N]) { return (int)N; }
// For arrays; a pointer does not compile here: FormatChecked takes a pointer
// and the capacity of the buffer it points at.
#define FormatPath(out, ...) FormatPathAt(__FILE__, __LINE__, (out), ArrayCount(out), __VA_ARGS__)
#define FormatChecked(out, capacity, ...) FormatPathAt(__FILE__, __LINE__, (out), (capacity), __VA_ARGS__)

// Prints the summary line and gives main's exit code.
int test_summary(const char* name);

// A fresh empty folder under the temporary folder, named after tag.
void MakeTempDir(const wchar_t* tag, wchar_t* out /* MAX_PATH */);
// Deletes a folder and everything below it; tests clean up their own trees only.
void DeleteTree(const wchar_t* path);
bool FileExists(const wchar_t* path);
bool DirExists(const wchar_t* path);
bool WriteTextFile(const wchar_t* path, const char* text);
// A program argument as a Windows path: Unix paths ctest passes become Z:\...
void ArgToWindowsPath(const wchar_t* arg, wchar_t* out /* MAX_PATH */);
// Path of the running test program.
void OwnPath(wchar_t* out /* MAX_PATH */);
// Runs commandLine, waits up to timeoutMs, returns its exit code (or -1 on failure/timeout).
int RunAndWait(const wchar_t* commandLine, DWORD timeoutMs);
// Copies the running test program into dir and runs it there with the given
// arguments; the child inherits the console and the current environment.
int RunCopyOfSelf(const wchar_t* dir, const wchar_t* args);
// Reads a registry value under HKCU; returns the status, type and byte size.
LONG ReadRegValue(const wchar_t* subKey, const wchar_t* name, DWORD* type, void* data, DWORD* size);
