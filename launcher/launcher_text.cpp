// The launcher's constant texts and browser candidate tables; the product's
// folder and file names are in common/product_layout.cpp.
#include "launcher.h"

const char    FILE_URL_FORMAT[]          = "file:///%s";
const wchar_t APP_MODE_FORMAT[] =
    L"\"%s\" --app=\"%s\" --window-size=1260,880 --no-first-run --no-default-browser-check";
const wchar_t FALLBACK_VERB[]   = L"open";
const wchar_t MESSAGE_CAPTION[] = L"青禾书苑";
const wchar_t MESSAGE_TEXT[] =
    L"未能自动打开 青禾书苑。\n\n请手动双击同目录下的 index.html 查看内容。";

// Edge is looked for in the 32-bit program folder first, Chrome in the native one.
const wchar_t* const EdgeCandidates[] = {
    L"%ProgramFiles(x86)%\\Microsoft\\Edge\\Application\\msedge.exe",
    L"%ProgramFiles%\\Microsoft\\Edge\\Application\\msedge.exe",
    L"%LocalAppData%\\Microsoft\\Edge\\Application\\msedge.exe",
    0,
};

const wchar_t* const ChromeCandidates[] = {
    L"%ProgramFiles%\\Google\\Chrome\\Application\\chrome.exe",
    L"%ProgramFiles(x86)%\\Google\\Chrome\\Application\\chrome.exe",
    0,
};

DECLARE_PAYLOAD(page_payload)

PayloadBlob LauncherPagePayload() { return PAYLOAD_BLOB(page_payload); }
