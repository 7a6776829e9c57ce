// Checked path joining for the test programs.
#include "test_paths.h"

void JoinPath(const wchar_t* dir, const wchar_t* name, wchar_t* out)
{
    FormatMaxPath(out, L"%s\\%s", dir, name);
}
