// Files written whole or not at all. The bytes go to a side file in the
// target's folder, created fresh (never through a link or over a file that is there),
// and the side file takes the target's name only once it is complete. A
// failed or short write, a full disk, leaves the earlier target as it was and
// no side file behind. A target another program holds for a moment is
// waited for (held_wait.h) before the write counts as failed.
#pragma once
#include <windows.h>

// replace: whether an existing target is replaced (else the write fails).
BOOL WriteWholeFile(const wchar_t* path, const unsigned char* bytes, unsigned int count, BOOL replace);
