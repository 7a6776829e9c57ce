// The page's path as a file URL: UTF-8, every byte outside the unreserved
// characters (plus / and :) percent-encoded, backslashes turned into slashes.
#include "launcher.h"
#include "../common/bounded_format.h"

static const char HEX_DIGITS[] = "0123456789ABCDEF";

static BOOL PassesUnescaped(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           c == '-' || c == '.' || c == '_' || c == '~' || c == '/' || c == ':';
}

BOOL BuildFileUrl(const wchar_t* path, wchar_t* url)
{
    url[0] = 0;
    char utf8[UTF8_PATH_CAPACITY];
    int n = WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8, UTF8_PATH_CAPACITY, 0, 0);
    if (n <= 0) return FALSE;

    char escaped[ESCAPED_PATH_CAPACITY];
    int out = 0;
    for (int i = 0; i < n - 1; ++i) {
        if (out + 4 >= ESCAPED_PATH_CAPACITY) return FALSE;  // never a cut URL
        unsigned char c = (unsigned char)utf8[i];
        if (c == '\\') c = '/';
        if (PassesUnescaped(c)) {
            escaped[out++] = (char)c;
        } else {
            escaped[out++] = '%';
            escaped[out++] = HEX_DIGITS[c >> 4];
            escaped[out++] = HEX_DIGITS[c & 15];
        }
    }
    escaped[out] = 0;

    char byteUrl[BYTE_URL_CAPACITY];
    FormatCutA(byteUrl, BYTE_URL_CAPACITY, FILE_URL_FORMAT, escaped);
    // A URL too long for the wide buffer fails to widen; the caller then starts no browser.
    if (MultiByteToWideChar(CP_UTF8, 0, byteUrl, -1, url, WIDE_URL_CAPACITY) <= 0) {
        url[0] = 0;
        return FALSE;
    }
    return TRUE;
}
