"""What the release tests need to know about the files in dist/: the PE
header's fields and checksum, where in a PE or zip file an offset falls, and
the first difference between two files, told in those terms."""
import os
import struct
import zipfile



def shipped(build):
    """What a release ships, as the build folder's shipped.txt says: a dict of
    programs (list), page, package and package_holds (list)."""
    fields = {}
    with open(os.path.join(build, "shipped.txt"), encoding="utf-8") as f:
        for line in f.read().splitlines():
            key, _, value = line.partition("=")
            fields[key] = value.split() if key in ("programs", "package_holds") else value
    return fields


def dist_files(build):
    """The files of dist/, in the order make-dist lists them."""
    s = shipped(build)
    return s["programs"] + [s["page"], s["package"]]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def pe_header(data):
    """Offsets and values of the fields the release depends on (PE32+ only)."""
    if data[:2] != b"MZ":
        raise ValueError("no MZ signature")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    sections, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] != 0x20B:
        raise ValueError("not a PE32+ image")
    security = optional + 112 + 4 * 8
    h = {
        "pe": pe,
        "timestamp_at": pe + 8,
        "timestamp": struct.unpack_from("<I", data, pe + 8)[0],
        "checksum_at": optional + 64,
        "checksum": struct.unpack_from("<I", data, optional + 64)[0],
        "security_at": security,
        "certificates": struct.unpack_from("<II", data, security),
        "sections": [],
    }
    table = optional + optional_size
    for i in range(sections):
        at = table + 40 * i
        name = data[at:at + 8].rstrip(b"\0").decode("ascii", "replace")
        raw_size, raw_at = struct.unpack_from("<II", data, at + 16)
        h["sections"].append((name, raw_at, raw_size))
    h["headers_end"] = table + 40 * sections
    return h


def pe_checksum(data):
    """The image checksum as the Windows loader and signtool compute it: 16-bit
    words summed with end-around carry, the checksum field taken as zero, plus
    the file's length."""
    at = pe_header(data)["checksum_at"]
    length = len(data)
    words = data[:at] + b"\0\0\0\0" + data[at + 4:] + b"\0" * (length % 2)
    total = 0
    for (word,) in struct.iter_unpack("<H", words):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + length) & 0xFFFFFFFF


def describe_pe(data, offset):
    try:
        h = pe_header(data)
    except (ValueError, struct.error) as e:
        return f"(not a readable PE file: {e})"
    if h["timestamp_at"] <= offset < h["timestamp_at"] + 4:
        return "the PE header's TimeDateStamp"
    if h["checksum_at"] <= offset < h["checksum_at"] + 4:
        return "the PE header's CheckSum"
    if h["security_at"] <= offset < h["security_at"] + 8:
        return "the PE header's certificate table entry"
    if offset < h["headers_end"]:
        return "the PE headers"
    for name, raw_at, raw_size in h["sections"]:
        if raw_at <= offset < raw_at + raw_size:
            return f"section {name} (+0x{offset - raw_at:x})"
    cert_at, cert_size = h["certificates"]
    if cert_size and cert_at <= offset < cert_at + cert_size:
        return "the Authenticode signature"
    return "outside every section"


def describe_zip(path, offset):
    try:
        with zipfile.ZipFile(path) as z:
            infos = sorted(z.infolist(), key=lambda i: i.header_offset)
            directory = z.start_dir
    except zipfile.BadZipFile as e:
        return f"(not a readable zip: {e})"
    if offset >= directory:
        return "the zip's central directory"
    for info in reversed(infos):
        if offset >= info.header_offset:
            local = 30 + len(info.filename.encode()) + len(info.extra)
            if offset < info.header_offset + local:
                return f"the local header of entry {info.filename} (its time, size or CRC)"
            return f"the compressed data of entry {info.filename} (+{offset - info.header_offset - local})"
    return "before the first zip entry"


def first_difference(a, b):
    """Offset of the first byte where two byte strings differ, or None."""
    n = min(len(a), len(b))
    step = 4096
    for start in range(0, n, step):
        if a[start:start + step] != b[start:start + step]:
            for i in range(start, min(start + step, n)):
                if a[i] != b[i]:
                    return i
    return None if len(a) == len(b) else n


def explain_difference(name, path_a, path_b):
    """One paragraph naming the first differing offset and what lies there."""
    a, b = read(path_a), read(path_b)
    at = first_difference(a, b)
    if at is None:
        return None
    if name.endswith(".exe"):
        what = describe_pe(a, at)
    elif name.endswith(".zip"):
        what = describe_zip(path_a, at)
    else:
        what = "line %d" % (a[:at].count(b"\n") + 1)
    lo = max(0, at - 8)
    return (f"{name}: first difference at offset {at} (0x{at:x}) of {len(a)} and {len(b)} bytes, in {what}\n"
            f"    {path_a}: {a[lo:at + 16].hex(' ')}\n"
            f"    {path_b}: {b[lo:at + 16].hex(' ')}")


def path_forms(path):
    """A folder as it could appear inside an artefact: as given, in Wine's
    Windows form, as UTF-8 and as UTF-16."""
    path = os.path.abspath(path).rstrip("/")
    forms = {path, "Z:" + path.replace("/", "\\")}
    out = []
    for f in forms:
        out += [f.encode(), f.encode("utf-16-le")]
    return out
