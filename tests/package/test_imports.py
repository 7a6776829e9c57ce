#!/usr/bin/env python3
"""Every shipped program imports only from Windows' KnownDLLs. Any other DLL
named in an import table is looked for in the program's own folder first, so
a copy planted beside it in Downloads would run before the program does."""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import artefacts as A  # noqa: E402

BIN = sys.argv.pop(1) if len(sys.argv) > 1 else "build/bin"
PROGRAMS = A.shipped(os.path.dirname(os.path.abspath(BIN)))["programs"]

# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs of Windows 10
# and 11, plus the DLLs the loader maps before any search (ntdll, kernelbase).
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "coml2.dll", "difxapi.dll",
    "gdi32.dll", "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll",
    "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shcore.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "wldap32.dll", "ws2_32.dll", "ntdll.dll", "kernelbase.dll",
}


def imported_dlls(path):
    """Names in the import and delay-import tables of a PE32+ image."""
    with open(path, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path}: not a PE image")
    sections_count, _, _, _, optional_size = struct.unpack_from("<HIIIH", data, pe + 6)
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] != 0x20B:
        raise ValueError(f"{path}: not a 64-bit image")
    directories = optional + 112
    sections = [struct.unpack_from("<IIII", data, optional + optional_size + 40 * i + 8)
                for i in range(sections_count)]

    def offset(rva):
        for size, address, raw_size, raw in sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"{path}: RVA {rva:#x} outside every section")

    def name_at(rva):
        start = offset(rva)
        return data[start:data.index(b"\0", start)].decode("ascii")

    names = []
    for index, entry_size, name_field in ((1, 20, 12), (13, 32, 4)):
        rva, size = struct.unpack_from("<II", data, directories + 8 * index)
        if not rva:
            continue
        at = offset(rva)
        while True:
            entry = data[at:at + entry_size]
            if entry == b"\0" * entry_size:
                break
            names.append(name_at(struct.unpack_from("<I", entry, name_field)[0]))
            at += entry_size
    return names


class ImportTest(unittest.TestCase):
    def test_programs_import_known_dlls_only(self):
        for program in PROGRAMS:
            with self.subTest(program=program):
                names = imported_dlls(f"{BIN}/{program}")
                self.assertIn("kernel32.dll", [n.lower() for n in names], f"{program}: import table not read")
                outside = sorted(n for n in names if n.lower() not in KNOWN_DLLS)
                self.assertEqual(outside, [], f"{program} imports DLLs that are not KnownDLLs: {outside}")


if __name__ == "__main__":
    unittest.main(verbosity=1)
