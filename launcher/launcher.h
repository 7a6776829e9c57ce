// The launcher's operations, in the order its flow calls them. Every buffer
// is a fixed-size local of the routine that fills it; capacities are in
// characters for wide buffers and bytes for byte buffers, terminator included.
#pragma once
#include <windows.h>
#include "../common/payload_blob.h"
#include "../common/product_layout.h"

enum {
    LAUNCHER_PATH_CAPACITY = 260,
    UTF8_PATH_CAPACITY     = 2048,
    ESCAPED_PATH_CAPACITY  = 4600,
    BYTE_URL_CAPACITY      = 4700,
    WIDE_URL_CAPACITY      = 2048,
    COMMAND_LINE_CAPACITY  = 4096,
};

extern const char    FILE_URL_FORMAT[];
extern const wchar_t APP_MODE_FORMAT[];
extern const wchar_t FALLBACK_VERB[];
extern const wchar_t MESSAGE_CAPTION[];
extern const wchar_t MESSAGE_TEXT[];
extern const wchar_t* const EdgeCandidates[];
extern const wchar_t* const ChromeCandidates[];

// The page copy the launcher carries; the same bytes as the setup program's.
PayloadBlob LauncherPagePayload();

BOOL IsExistingFile(const wchar_t* path);
// Fills pagePath (260): the page beside the executable, else the local page;
// empty when no page path can be formed whole.
void ResolvePagePath(wchar_t* pagePath);
// The file URL of path in url (2,048). False when it does not fit: no
// browser is ever given a cut URL.
BOOL BuildFileUrl(const wchar_t* path, wchar_t* url);
// The first candidate of a null-ended table that exists, in out (260).
BOOL FindBrowser(const wchar_t* const* table, wchar_t* out);
BOOL LaunchAppWindow(const wchar_t* browser, const wchar_t* url);
// The whole run; the process's exit code, always 0.
int RunLauncher();
