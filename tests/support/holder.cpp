// holder <event name> <ms> <path>...: opens each file or folder for reading,
// sharing reading only, as a virus scanner, a sync client or the shell drawing
// an icon does; sets the named event once it holds them all, and lets go
// after ms. Exits 0, or 1 naming the path it could not open.
#include <windows.h>
#include <stdio.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) { fprintf(stderr, "usage: holder <event name> <ms> <path>...\n"); return 2; }
    HANDLE held[16];
    int count = 0;
    for (int i = 3; i < argc && count < 16; ++i) {
        held[count] = CreateFileW(argv[i], GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, 0);
        if (held[count] == INVALID_HANDLE_VALUE) {
            fprintf(stderr, "holder: cannot open %ls: error %lu\n", argv[i], GetLastError());
            return 1;
        }
        ++count;
    }
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]);
    if (!ready || !SetEvent(ready)) { fprintf(stderr, "holder: no event %ls\n", argv[1]); return 1; }
    Sleep(_wtoi(argv[2]));
    for (int i = 0; i < count; ++i) CloseHandle(held[i]);
    return 0;
}
