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

static void CheckImage(const Program* program)
{
    DWORD size = 0;
    unsigned char* image = ReadWholeFile(program->path, &size);
    if (!ok(image && size > 1024, "%s read", program->name)) return;
    const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)image;
    const IMAGE_NT_HEADERS64* nt = (const IMAGE_NT_HEADERS64*)(image + dos->e_lfanew);
    ok(nt->Signature == IMAGE_NT_SIGNATURE && nt->FileHeader.Machine == IMAGE_FILE_MACHINE_AMD64 &&
       nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC, "%s is a 64-bit image", program->name);
    const IMAGE_OPTIONAL_HEADER64& header = nt->OptionalHeader;
    ok(header.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI, "%s subsystem %u", program->name, header.Subsystem);
    ok(header.MajorSubsystemVersion == 6 && header.MinorSubsystemVersion == 0, "%s subsystem version %u.%u",
       program->name, header.MajorSubsystemVersion, header.MinorSubsystemVersion);
    ok(header.SizeOfStackReserve == 16u * 1024 * 1024 && header.SizeOfStackCommit == 4096,
       "%s stack reserve %llu, commit %llu", program->name, (unsigned long long)header.SizeOfStackReserve,
       (unsigned long long)header.SizeOfStackCommit);

    // Only system DLLs: nothing of the compiler's runtime is needed beside it.
    const IMAGE_DATA_DIRECTORY& imports = header.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    DWORD at = RvaToOffset(nt, imports.VirtualAddress);
    int dlls = 0;
    for (const IMAGE_IMPORT_DESCRIPTOR* d = (const IMAGE_IMPORT_DESCRIPTOR*)(image + at); at && d->Name; ++d, ++dlls) {
        const char* dll = (const char*)image + RvaToOffset(nt, d->Name);
        bool runtime = !_strnicmp(dll, "libgcc", 6) || !_strnicmp(dll, "libstdc++", 9) ||
                       !_strnicmp(dll, "libwinpthread", 13);
        ok(!runtime, "%s imports %s", program->name, dll);
    }
    ok(dlls > 0, "%s imports from %d DLLs", program->name, dlls);
    HeapFree(GetProcessHeap(), 0, image);
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

static void CheckResources(const Program* program)
{
    HMODULE module = LoadLibraryExW(program->path, 0, LOAD_LIBRARY_AS_DATAFILE);
    if (!ok(module != 0, "%s loaded as data", program->name)) return;

    ULONG_PTR types[16] = {};
    EnumResourceTypesW(module, CollectType, (LONG_PTR)types);
    bool onlyExpected = types[0] == 3;
    for (ULONG_PTR i = 1; i <= types[0]; ++i)
        if (types[i] != (ULONG_PTR)RT_ICON && types[i] != (ULONG_PTR)RT_GROUP_ICON && types[i] != (ULONG_PTR)RT_VERSION) {
            onlyExpected = false;
            ok(false, "%s carries a resource of type %lu", program->name, (unsigned long)types[i]);
        }
    ok(onlyExpected, "%s carries icons, one icon group and a version block only (%lu types)", program->name,
       (unsigned long)types[0]);

    ULONG_PTR groups[16] = {};
    EnumResourceNamesW(module, RT_GROUP_ICON, CollectName, (LONG_PTR)groups);
    ok(groups[0] == 1 && groups[1] == 1, "%s has icon group 1 only", program->name);
    WORD languages[8] = {};
    EnumResourceLanguagesW(module, RT_GROUP_ICON, MAKEINTRESOURCEW(1), CollectLanguage, (LONG_PTR)languages);
    ok(languages[0] == 1 && languages[1] == 0x0409, "%s icon group language %04x", program->name, languages[1]);

    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    const GroupIconHeader* group = found ? (const GroupIconHeader*)LockResource(LoadResource(module, found)) : 0;
    if (ok(group && group->type == 1 && group->count == 7, "%s icon group of 7 images", program->name)) {
        static const int sizes[7] = { 16, 24, 32, 48, 64, 128, 256 };
        bool seen[7] = {};
        for (int i = 0; i < group->count; ++i) {
            const GroupIconEntry& entry = group->entries[i];
            int width = entry.width ? entry.width : 256, height = entry.height ? entry.height : 256;
            HRSRC icon = FindResourceW(module, MAKEINTRESOURCEW(entry.id), RT_ICON);
            const unsigned char* png = icon ? (const unsigned char*)LockResource(LoadResource(module, icon)) : 0;
            bool isPng = png && SizeofResource(module, icon) == entry.bytes && !memcmp(png, "\x89PNG\r\n\x1a\n", 8) &&
                         !memcmp(png + 12, "IHDR", 4);
            if (!ok(isPng, "%s icon %u is a PNG", program->name, entry.id)) continue;
            // Eight bits per channel with alpha: a 32-bit image.
            ok((int)BigEndian32(png + 16) == width && (int)BigEndian32(png + 20) == height && png[24] == 8 && png[25] == 6,
               "%s icon %u: %lux%lu, depth %u, colour type %u", program->name, entry.id, BigEndian32(png + 16),
               BigEndian32(png + 20), png[24], png[25]);
            ok(entry.bitCount == 32 && width == height && entry.id >= 1 && entry.id <= 7,
               "%s icon %u entry %dx%d at %u bits", program->name, entry.id, width, height, entry.bitCount);
            for (int s = 0; s < 7; ++s) if (sizes[s] == width) seen[s] = true;
        }
        for (int s = 0; s < 7; ++s) ok(seen[s], "%s has the %d px image", program->name, sizes[s]);
    }
    FreeLibrary(module);
}

static void CheckVersion(const Program* program)
{
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(program->path, &handle);
    static unsigned char block[8192];
    if (!ok(size > 0 && size <= sizeof block && GetFileVersionInfoW(program->path, 0, size, block),
            "%s version block read", program->name)) return;
    VS_FIXEDFILEINFO* fixed = 0;
    UINT length = 0;
    if (ok(VerQueryValueW(block, L"\\", (void**)&fixed, &length) && fixed, "%s fixed version", program->name)) {
        ok(fixed->dwFileVersionMS == 0x20000 && fixed->dwFileVersionLS == 0 && fixed->dwProductVersionMS == 0x20000 &&
           fixed->dwProductVersionLS == 0, "%s numeric version %08lx.%08lx", program->name, fixed->dwFileVersionMS,
           fixed->dwFileVersionLS);
        ok(fixed->dwFileFlagsMask == 0x3F && fixed->dwFileFlags == 0, "%s flags %lx/%lx", program->name,
           fixed->dwFileFlagsMask, fixed->dwFileFlags);
        ok(fixed->dwFileOS == VOS_NT_WINDOWS32 && fixed->dwFileType == VFT_APP, "%s os %lx type %lx", program->name,
           fixed->dwFileOS, fixed->dwFileType);
    }
    struct { const wchar_t* key; const wchar_t* value; } strings[] = {
        { L"FileDescription", program->description },
        { L"FileVersion", L"2.0.0.0" },
        { L"ProductVersion", L"2.0.0.0" },
        { L"InternalName", L"Tallybook" },
        { L"OriginalFilename", program->originalName },
        { L"ProductName", L"Tallybook" },
    };
    for (auto& s : strings) {
        wchar_t query[128];
        FormatPath(query, L"\\StringFileInfo\\040904B0\\%s", s.key);
        wchar_t* value = 0;
        length = 0;
        bool found = VerQueryValueW(block, query, (void**)&value, &length) && value;
        ok(found && !lstrcmpW(value, s.value), "%s %s is \"%s\"", program->name, u8(s.key), found ? u8(value) : "(none)");
    }
    DWORD* translation = 0;
    ok(VerQueryValueW(block, L"\\VarFileInfo\\Translation", (void**)&translation, &length) && length == 4 &&
       *translation == MAKELONG(0x0409, 0x04B0), "%s translation 0409/04B0", program->name);
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) { printf("usage: test_resources <tallyinstall.exe> <tallybook.exe> <tallyuninstall.exe>\n"); return 2; }
    for (int i = 0; i < 3; ++i) ArgToWindowsPath(argv[i + 1], g_programs[i].path);
    for (const Program& program : g_programs) {
        g_testContext = program.name;
        CheckImage(&program);
        CheckResources(&program);
        CheckVersion(&program);
    }
    return test_summary("resources");
}
