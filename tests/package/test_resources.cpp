// What the built programs carry and how they are linked: checked on the
// finished executables, the way Explorer and the loader will see them.
#include "../support/ok.h"

struct Program {
    const char* name;
    const wchar_t* description;
    const wchar_t* originalName;
    wchar_t path[MAX_PATH];
};

static Program g_programs[] = {
    { "setup", L"Tallybook setup wizard", L"tallyinstall.exe", {} },
    { "launcher", L"Tallybook - Greengrain Academy main program", L"tallybook.exe", {} },
    { "uninstaller", L"Tallybook uninstaller", L"tallyuninstall.exe", {} },
};

static DWORD RvaToOffset(const IMAGE_NT_HEADERS64* nt, DWORD rva)
{
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
        if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->SizeOfRawData)
            return rva - section->VirtualAddress + section->PointerToRawData;
    return 0;
}

// The whole file and its PE headers; false (with a failed check) when it is no 64-bit image.
struct Image {
    unsigned char* bytes;
    const IMAGE_NT_HEADERS64* nt;
};

static bool ReadImage(const Program* program, Image* image)
{
    DWORD size = 0;
    image->bytes = ReadWholeFile(program->path, &size);
    image->nt = 0;
    if (!ok(image->bytes && size > 1024, "%s read: %lu bytes", program->name, size)) return false;
    const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)image->bytes;
    image->nt = (const IMAGE_NT_HEADERS64*)(image->bytes + dos->e_lfanew);
    return ok(image->nt->Signature == IMAGE_NT_SIGNATURE && image->nt->FileHeader.Machine == IMAGE_FILE_MACHINE_AMD64 &&
              image->nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC, "%s is a 64-bit image", program->name);
}

static void FreeImage(Image* image)
{
    if (image->bytes) HeapFree(GetProcessHeap(), 0, image->bytes);
}

static void test_gui_subsystem(void)
{
    g_testContext = "subsystem";
    for (const Program& program : g_programs) {
        Image image;
        if (ReadImage(&program, &image)) {
            const IMAGE_OPTIONAL_HEADER64& header = image.nt->OptionalHeader;
            ok(header.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI, "%s subsystem %u, expected %u", program.name,
               header.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
            ok(header.MajorSubsystemVersion == 6 && header.MinorSubsystemVersion == 0,
               "%s subsystem version %u.%u, expected 6.0", program.name, header.MajorSubsystemVersion,
               header.MinorSubsystemVersion);
        }
        FreeImage(&image);
    }
}

static void test_stack_size(void)
{
    g_testContext = "stack";
    for (const Program& program : g_programs) {
        Image image;
        if (ReadImage(&program, &image)) {
            const IMAGE_OPTIONAL_HEADER64& header = image.nt->OptionalHeader;
            ok(header.SizeOfStackReserve == 16u * 1024 * 1024 && header.SizeOfStackCommit == 4096,
               "%s stack reserve %llu, commit %llu, expected 16777216 and 4096", program.name,
               (unsigned long long)header.SizeOfStackReserve, (unsigned long long)header.SizeOfStackCommit);
        }
        FreeImage(&image);
    }
}

// Only system DLLs: nothing of the compiler's runtime is needed beside it.
static void test_no_runtime_imports(void)
{
    g_testContext = "imports";
    for (const Program& program : g_programs) {
        Image image;
        if (ReadImage(&program, &image)) {
            const IMAGE_DATA_DIRECTORY& imports = image.nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
            DWORD at = RvaToOffset(image.nt, imports.VirtualAddress);
            int dlls = 0;
            for (const IMAGE_IMPORT_DESCRIPTOR* d = (const IMAGE_IMPORT_DESCRIPTOR*)(image.bytes + at); at && d->Name;
                 ++d, ++dlls) {
                const char* dll = (const char*)image.bytes + RvaToOffset(image.nt, d->Name);
                bool runtime = !_strnicmp(dll, "libgcc", 6) || !_strnicmp(dll, "libstdc++", 9) ||
                               !_strnicmp(dll, "libwinpthread", 13);
                ok(!runtime, "%s imports %s", program.name, dll);
            }
            ok(dlls > 0, "%s imports from %d DLLs, expected some", program.name, dlls);
        }
        FreeImage(&image);
    }
}

static BOOL CALLBACK CollectType(HMODULE, LPWSTR type, LONG_PTR param)
{
    ULONG_PTR* types = (ULONG_PTR*)param;
    if (types[0] < 15) types[++types[0]] = IS_INTRESOURCE(type) ? (ULONG_PTR)type : 0xFFFF;
    return TRUE;
}

static BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param)
{
    ULONG_PTR* names = (ULONG_PTR*)param;
    if (names[0] < 15) names[++names[0]] = IS_INTRESOURCE(name) ? (ULONG_PTR)name : 0xFFFF;
    return TRUE;
}

static BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param)
{
    WORD* languages = (WORD*)param;
    if (languages[0] < 7) languages[++languages[0]] = language;
    return TRUE;
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
    GroupIconEntry entries[1];
};
#pragma pack(pop)

static DWORD BigEndian32(const unsigned char* p) { return (DWORD)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

static void test_resource_types(void)
{
    g_testContext = "resource types";
    for (const Program& program : g_programs) {
        HMODULE module = LoadLibraryExW(program.path, 0, LOAD_LIBRARY_AS_DATAFILE);
        if (!ok(module != 0, "%s loaded as data", program.name)) continue;
        ULONG_PTR types[16] = {};
        EnumResourceTypesW(module, CollectType, (LONG_PTR)types);
        bool onlyExpected = types[0] == 3;
        for (ULONG_PTR i = 1; i <= types[0]; ++i)
            if (types[i] != (ULONG_PTR)RT_ICON && types[i] != (ULONG_PTR)RT_GROUP_ICON && types[i] != (ULONG_PTR)RT_VERSION) {
                onlyExpected = false;
                ok(false, "%s carries a resource of type %lu", program.name, (unsigned long)types[i]);
            }
        ok(onlyExpected, "%s carries icons, one icon group and a version block only (%lu types, expected 3)",
           program.name, (unsigned long)types[0]);
        FreeLibrary(module);
    }
}

static void test_icon_group(void)
{
    g_testContext = "icon group";
    for (const Program& program : g_programs) {
        HMODULE module = LoadLibraryExW(program.path, 0, LOAD_LIBRARY_AS_DATAFILE);
        if (!ok(module != 0, "%s loaded as data", program.name)) continue;
        ULONG_PTR groups[16] = {};
        EnumResourceNamesW(module, RT_GROUP_ICON, CollectName, (LONG_PTR)groups);
        ok(groups[0] == 1 && groups[1] == 1, "%s has icon group 1 only (%lu groups, first %lu)", program.name,
           (unsigned long)groups[0], (unsigned long)groups[1]);
        WORD languages[8] = {};
        EnumResourceLanguagesW(module, RT_GROUP_ICON, MAKEINTRESOURCEW(1), CollectLanguage, (LONG_PTR)languages);
        ok(languages[0] == 1 && languages[1] == 0x0409, "%s icon group language %04x, expected 0409", program.name,
           languages[1]);
        FreeLibrary(module);
    }
}

// Seven 32-bit PNG images, 16 to 256 pixels square.
static void test_icon_images(void)
{
    g_testContext = "icon images";
    static const int sizes[7] = { 16, 24, 32, 48, 64, 128, 256 };
    for (const Program& program : g_programs) {
        HMODULE module = LoadLibraryExW(program.path, 0, LOAD_LIBRARY_AS_DATAFILE);
        if (!ok(module != 0, "%s loaded as data", program.name)) continue;
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
        const GroupIconHeader* group = found ? (const GroupIconHeader*)LockResource(LoadResource(module, found)) : 0;
        if (ok(group && group->type == 1 && group->count == 7, "%s icon group of 7 images", program.name)) {
            bool seen[7] = {};
            for (int i = 0; i < group->count; ++i) {
                const GroupIconEntry& entry = group->entries[i];
                int width = entry.width ? entry.width : 256, height = entry.height ? entry.height : 256;
                HRSRC icon = FindResourceW(module, MAKEINTRESOURCEW(entry.id), RT_ICON);
                const unsigned char* png = icon ? (const unsigned char*)LockResource(LoadResource(module, icon)) : 0;
                bool isPng = png && SizeofResource(module, icon) == entry.bytes && !memcmp(png, "\x89PNG\r\n\x1a\n", 8) &&
                             !memcmp(png + 12, "IHDR", 4);
                if (!ok(isPng, "%s icon %u is a PNG", program.name, entry.id)) continue;
                // Eight bits per channel with alpha: a 32-bit image.
                ok((int)BigEndian32(png + 16) == width && (int)BigEndian32(png + 20) == height && png[24] == 8 && png[25] == 6,
                   "%s icon %u: %lux%lu, depth %u, colour type %u; expected %dx%d, 8, 6", program.name, entry.id,
                   BigEndian32(png + 16), BigEndian32(png + 20), png[24], png[25], width, height);
                ok(entry.bitCount == 32 && width == height && entry.id >= 1 && entry.id <= 7,
                   "%s icon %u entry %dx%d at %u bits, expected square at 32", program.name, entry.id, width, height,
                   entry.bitCount);
                for (int s = 0; s < 7; ++s) if (sizes[s] == width) seen[s] = true;
            }
            for (int s = 0; s < 7; ++s) ok(seen[s], "%s has the %d px image", program.name, sizes[s]);
        }
        FreeLibrary(module);
    }
}

// The version block, read as Explorer reads it; false with a failed check when there is none.
static bool ReadVersionBlock(const Program* program, unsigned char* block, DWORD capacity)
{
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(program->path, &handle);
    return ok(size > 0 && size <= capacity && GetFileVersionInfoW(program->path, 0, size, block),
              "%s version block read (%lu bytes)", program->name, size);
}

static void test_fixed_version(void)
{
    g_testContext = "fixed version";
    static unsigned char block[8192];
    for (const Program& program : g_programs) {
        if (!ReadVersionBlock(&program, block, sizeof block)) continue;
        VS_FIXEDFILEINFO* fixed = 0;
        UINT length = 0;
        if (!ok(VerQueryValueW(block, L"\\", (void**)&fixed, &length) && fixed, "%s fixed version", program.name)) continue;
        ok(fixed->dwFileVersionMS == 0x20000 && fixed->dwFileVersionLS == 0 && fixed->dwProductVersionMS == 0x20000 &&
           fixed->dwProductVersionLS == 0, "%s numeric version %08lx.%08lx, expected 00020000.00000000", program.name,
           fixed->dwFileVersionMS, fixed->dwFileVersionLS);
        ok(fixed->dwFileFlagsMask == 0x3F && fixed->dwFileFlags == 0, "%s flags %lx/%lx, expected 3f/0", program.name,
           fixed->dwFileFlagsMask, fixed->dwFileFlags);
        ok(fixed->dwFileOS == VOS_NT_WINDOWS32 && fixed->dwFileType == VFT_APP, "%s os %lx type %lx, expected %x and %x",
           program.name, fixed->dwFileOS, fixed->dwFileType, VOS_NT_WINDOWS32, VFT_APP);
    }
}

static void test_version_strings(void)
{
    g_testContext = "version strings";
    static unsigned char block[8192];
    for (const Program& program : g_programs) {
        if (!ReadVersionBlock(&program, block, sizeof block)) continue;
        struct { const wchar_t* key; const wchar_t* value; } strings[] = {
            { L"FileDescription", program.description },
            { L"FileVersion", L"2.0.0.0" },
            { L"ProductVersion", L"2.0.0.0" },
            { L"InternalName", L"Tallybook" },
            { L"OriginalFilename", program.originalName },
            { L"ProductName", L"Tallybook" },
        };
        for (auto& s : strings) {
            wchar_t query[128];
            FormatPath(query, L"\\StringFileInfo\\040904B0\\%s", s.key);
            wchar_t* value = 0;
            UINT length = 0;
            bool found = VerQueryValueW(block, query, (void**)&value, &length) && value;
            ok(found && !lstrcmpW(value, s.value), "%s %s is \"%s\", expected \"%s\"", program.name, u8(s.key),
               found ? u8(value) : "(none)", u8(s.value));
        }
        DWORD* translation = 0;
        UINT length = 0;
        ok(VerQueryValueW(block, L"\\VarFileInfo\\Translation", (void**)&translation, &length) && length == 4 &&
           *translation == MAKELONG(0x0409, 0x04B0), "%s translation 0409/04B0", program.name);
    }
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) { printf("usage: test_resources <tallyinstall.exe> <tallybook.exe> <tallyuninstall.exe>\n"); return 2; }
    for (int i = 0; i < 3; ++i) ArgToWindowsPath(argv[i + 1], g_programs[i].path);
    test_gui_subsystem();
    test_stack_size();
    test_no_runtime_imports();
    test_resource_types();
    test_icon_group();
    test_icon_images();
    test_fixed_version();
    test_version_strings();
    return test_summary("resources");
}
