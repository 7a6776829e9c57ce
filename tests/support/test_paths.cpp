// Checked path building for the test programs.
#include "test_paths.h"
#include "ok.h"
#include <stdarg.h>

void FormatChecked(wchar_t* dest, int capacity, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = _vsnwprintf(dest, capacity, format, args);
    va_end(args);
    if (n >= 0 && n < capacity) return;
    dest[capacity - 1] = 0;
    printf("Test failed%s%s: a path does not fit its %d characters: %s...\n",
           *g_testContext ? " in " : "", g_testContext, capacity - 1, u8(dest));
    fflush(stdout);
    ExitProcess(3);
}

void JoinPath(const wchar_t* dir, const wchar_t* name, wchar_t* out)
{
    FormatChecked(out, MAX_PATH, L"%s\\%s", dir, name);
}
