// The page path as a file URL: the worked examples, every byte value, the
// odd inputs, and many random paths against a reference encoder of our own.
#include "../support/ok.h"
#include "../../launcher/launcher.h"

static void CheckUrl(const wchar_t* path, const char* expected)
{
    wchar_t url[WIDE_URL_CAPACITY];
    bool built = BuildFileUrl(path, url);
    char got[WIDE_URL_CAPACITY];
    WideCharToMultiByte(CP_UTF8, 0, url, -1, got, sizeof got, 0, 0);
    ok(built && !strcmp(got, expected), "url of %s\n  got      %s\n  expected %s", u8(path), got, expected);
}

static void test_worked_examples()
{
    g_testContext = "worked examples";
    CheckUrl(L"C:\\Users\\a\\AppData\\Local\\Tallybook\\index.html",
             "file:///C:/Users/a/AppData/Local/Tallybook/index.html");
    CheckUrl(L"D:\\软件\\Tallybook\\index.html", "file:///D:/%E8%BD%AF%E4%BB%B6/Tallybook/index.html");
    CheckUrl(L"D:\\My Apps (x86)\\Tallybook\\index.html",
             "file:///D:/My%20Apps%20%28x86%29/Tallybook/index.html");
    CheckUrl(L"\\\\server\\share\\Tallybook\\index.html", "file://///server/share/Tallybook/index.html");
    CheckUrl(L"index.html", "file:///index.html");
    CheckUrl(L"", "file:///");
    // The temporary folder as a base leaves two backslashes, turned one by one.
    CheckUrl(L"C:\\Temp\\\\Tallybook\\index.html", "file:///C:/Temp//Tallybook/index.html");
    CheckUrl(L"C:\\100% #1?&+=;,'!$@[]{}^`|\"<>",
             "file:///C:/100%25%20%231%3F%26%2B%3D%3B%2C%27%21%24%40%5B%5D%7B%7D%5E%60%7C%22%3C%3E");
}

static void test_every_ascii_byte()
{
    g_testContext = "ascii bytes";
    const char* plain = "-._~/:";
    int wrong = 0;
    for (int c = 1; c < 128; ++c) {
        wchar_t path[2] = { (wchar_t)c, 0 };
        char expected[16];
        bool passes = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                      (c != 0 && strchr(plain, c));
        if (c == '\\') lstrcpyA(expected, "file:////");
        else if (passes) wsprintfA(expected, "file:///%c", c);
        else wsprintfA(expected, "file:///%%%02X", c);
        wchar_t url[WIDE_URL_CAPACITY];
        char got[64];
        BuildFileUrl(path, url);
        WideCharToMultiByte(CP_UTF8, 0, url, -1, got, sizeof got, 0, 0);
        if (strcmp(got, expected)) {
            ++wrong;
            ok(false, "byte 0x%02X gave %s, expected %s", c, got, expected);
        }
    }
    ok(wrong == 0, "%d of 127 ASCII bytes encoded wrongly", wrong);
}

// Reference: code points by hand, UTF-8 by hand, then the escape rule.
static int ReferenceUrl(const wchar_t* path, char* out, int capacity)
{
    int n = wsprintfA(out, "file:///");
    for (int i = 0; path[i]; ++i) {
        unsigned cp = path[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && path[i + 1] >= 0xDC00 && path[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (path[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        unsigned char bytes[4];
        int count;
        if (cp < 0x80) { bytes[0] = (unsigned char)cp; count = 1; }
        else if (cp < 0x800) { bytes[0] = 0xC0 | (cp >> 6); bytes[1] = 0x80 | (cp & 63); count = 2; }
        else if (cp < 0x10000) {
            bytes[0] = 0xE0 | (cp >> 12); bytes[1] = 0x80 | ((cp >> 6) & 63); bytes[2] = 0x80 | (cp & 63); count = 3;
        } else {
            bytes[0] = 0xF0 | (cp >> 18); bytes[1] = 0x80 | ((cp >> 12) & 63);
            bytes[2] = 0x80 | ((cp >> 6) & 63); bytes[3] = 0x80 | (cp & 63); count = 4;
        }
        for (int k = 0; k < count; ++k) {
            unsigned char b = bytes[k] == '\\' ? '/' : bytes[k];
            if (n + 4 > capacity) return -1;
            if (isalnum(b) && b < 0x80) out[n++] = (char)b;
            else if (strchr("-._~/:", b) && b) out[n++] = (char)b;
            else n += wsprintfA(out + n, "%%%02X", b);
        }
    }
    out[n] = 0;
    return n;
}

static void test_beyond_ascii()
{
    g_testContext = "beyond ascii";
    CheckUrl(L"\x0080\x07FF", "file:///%C2%80%DF%BF");
    CheckUrl(L"\x00E9\x4E2D\xFFFD", "file:///%C3%A9%E4%B8%AD%EF%BF%BD");
    CheckUrl(L"\xD83D\xDE00", "file:///%F0%9F%98%80");               // a pair: one 4-byte character
    CheckUrl(L"a\xD800" L"b", "file:///a%EF%BF%BDb");                 // a lone high surrogate
    CheckUrl(L"\xDC00\\x", "file:///%EF%BF%BD/x");                    // a lone low surrogate

    // Every character of the basic plane, 200 at a time, and supplementary ones
    // from each lead byte: between them every byte value UTF-8 can hold.
    static char expected[8192], got[8192];
    int wrong = 0, calls = 0;
    wchar_t path[LAUNCHER_PATH_CAPACITY], url[WIDE_URL_CAPACITY];
    for (unsigned first = 0x80; first < 0x10000; first += 200) {
        int n = 0;
        for (unsigned c = first; c < first + 200 && c < 0x10000; ++c)
            if (c < 0xD800 || c > 0xDFFF) path[n++] = (wchar_t)c;
        path[n] = 0;
        for (int part = 0; part < 2; ++part) {  // too long as a whole: each half
            wchar_t half[LAUNCHER_PATH_CAPACITY];
            int from = part ? n / 2 : 0, to = part ? n : n / 2;
            lstrcpynW(half, path + from, to - from + 1);
            ReferenceUrl(half, expected, sizeof expected);
            ++calls;
            if (!BuildFileUrl(half, url)) { ++wrong; continue; }
            WideCharToMultiByte(CP_UTF8, 0, url, -1, got, sizeof got, 0, 0);
            if (strcmp(got, expected)) ++wrong;
        }
    }
    for (unsigned cp = 0x10000; cp <= 0x10FFFF; cp += 0x1003) {
        wchar_t pair[3] = { (wchar_t)(0xD800 + ((cp - 0x10000) >> 10)), (wchar_t)(0xDC00 + ((cp - 0x10000) & 0x3FF)), 0 };
        ReferenceUrl(pair, expected, sizeof expected);
        ++calls;
        if (!BuildFileUrl(pair, url)) { ++wrong; continue; }
        WideCharToMultiByte(CP_UTF8, 0, url, -1, got, sizeof got, 0, 0);
        if (strcmp(got, expected)) ++wrong;
    }
    ok(wrong == 0, "%d of %d runs over the whole character range differ from the reference", wrong, calls);
}

static unsigned g_seed = 20261209;
static unsigned NextRandom()
{
    g_seed = g_seed * 1103515245u + 12345u;
    return g_seed >> 8;
}

static void test_random_paths()
{
    g_testContext = "random paths";
    const int GUARD = 64;
    static wchar_t url[WIDE_URL_CAPACITY + GUARD];
    static char expected[8192], got[8192];
    int mismatches = 0, tooLong = 0, overruns = 0;
    const int runs = 4000;
    for (int run = 0; run < runs; ++run) {
        wchar_t path[LAUNCHER_PATH_CAPACITY];
        int length = NextRandom() % LAUNCHER_PATH_CAPACITY;
        unsigned kind = NextRandom() % 4;  // mostly ASCII, mostly CJK, surrogate-heavy, anything
        for (int i = 0; i < length; ++i) {
            unsigned r = NextRandom();
            wchar_t c;
            if (kind == 0) c = (wchar_t)(1 + r % 127);
            else if (kind == 1) c = (r & 1) ? (wchar_t)(0x4E00 + r % 0x5000) : L'\\';
            else if (kind == 2) c = (wchar_t)(0xD7F0 + r % 0x820);
            else c = (wchar_t)(1 + r % 0xFFFF);
            path[i] = c;
        }
        path[length] = 0;
        for (int i = 0; i < GUARD; ++i) url[WIDE_URL_CAPACITY + i] = 0xCCCC;
        bool built = BuildFileUrl(path, url);
        for (int i = 0; i < GUARD; ++i)
            if (url[WIDE_URL_CAPACITY + i] != 0xCCCC) { ++overruns; break; }
        int n = ReferenceUrl(path, expected, sizeof expected);
        if (n < 0 || n >= WIDE_URL_CAPACITY) {
            // Too long for the wide buffer: no URL at all, never a cut one.
            ++tooLong;
            if (built || url[0]) { ++mismatches; ok(false, "run %d: a URL of %d characters was cut, not refused", run, n); }
            continue;
        }
        WideCharToMultiByte(CP_UTF8, 0, url, -1, got, sizeof got, 0, 0);
        if (!built || strcmp(got, expected)) {
            if (++mismatches <= 3) ok(false, "run %d (%s)\n  got      %s\n  expected %s", run, u8(path), got, expected);
        }
    }
    ok(mismatches == 0, "%d of %d random paths differ from the reference", mismatches, runs);
    ok(overruns == 0, "%d outputs wrote past the URL buffer", overruns);
    ok(tooLong > 0 && tooLong < runs, "both fitting and too-long URLs were drawn (%d too long)", tooLong);
}

static void test_longest_paths()
{
    g_testContext = "longest paths";
    wchar_t path[LAUNCHER_PATH_CAPACITY], url[WIDE_URL_CAPACITY] = {};
    // 259 ASCII letters: always fits.
    for (int i = 0; i < 259; ++i) path[i] = L'a';
    path[259] = 0;
    ok(BuildFileUrl(path, url) && lstrlenW(url) == 8 + 259, "259 letters give a URL of %d", lstrlenW(url));
    // 259 CJK characters: nine bytes each escaped, too long for the wide buffer.
    for (int i = 0; i < 259; ++i) path[i] = 0x8F6F;
    ok(!BuildFileUrl(path, url) && url[0] == 0, "259 CJK characters give no URL");
    // 226 of them give 8 + 2,034 characters: the longest that fits has 2,047.
    path[226] = 0;
    lstrcatW(path, L"abcde");
    ok(BuildFileUrl(path, url) && lstrlenW(url) == 2047, "a URL of 2,047 characters fits (%d)", lstrlenW(url));
    lstrcatW(path, L"f");
    ok(!BuildFileUrl(path, url) && url[0] == 0, "a URL of 2,048 characters is refused");
}

int wmain()
{
    test_worked_examples();
    test_every_ascii_byte();
    test_beyond_ascii();
    test_random_paths();
    test_longest_paths();
    return test_summary("file url");
}
