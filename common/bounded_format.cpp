// Bounded formatting shared by the setup program, the launcher and the uninstaller.
#include "bounded_format.h"
#include <stdarg.h>

template <typename Ch>
static int FormatCut(Ch* dest, int capacity, const Ch* format, va_list args)
{
    if (dest == 0 || capacity <= 0) return 0;
    int used = 0;
    const int room = capacity - 1;
    for (const Ch* f = format; *f && used < room; ++f) {
        if (f[0] == '%' && f[1] == 's') {
            const Ch* s = va_arg(args, const Ch*);
            static const Ch empty[1] = {0};
            if (s == 0) s = empty;
            while (*s && used < room) dest[used++] = *s++;
            ++f;
        } else if (f[0] == '%' && f[1] == '%') {
            dest[used++] = '%';
            ++f;
        } else {
            dest[used++] = *f;
        }
    }
    dest[used] = 0;
    return used;
}

int FormatCutW(wchar_t* dest, int capacity, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatCut<wchar_t>(dest, capacity, format, args);
    va_end(args);
    return n;
}

int FormatCutA(char* dest, int capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatCut<char>(dest, capacity, format, args);
    va_end(args);
    return n;
}
