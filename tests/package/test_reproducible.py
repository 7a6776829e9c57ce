#!/usr/bin/env python3
"""Builds dist/ a second time from the same sources in another folder, with
another time zone, locale, user name, umask and file times, and compares the
five files byte for byte with the tree's own dist/. Also checks what makes
them reproducible and sound: no link time, a correct PE checksum, and no
build folder inside any artefact. The second build makes the shipped files
alone, and stays in <build>/rebuild for the signing test, which signs there.
    test_reproducible.py <source tree> <its build folder> <its dist folder>"""
import os
import shutil
import subprocess
import sys
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import artefacts as A  # noqa: E402

SOURCE = os.path.abspath(sys.argv.pop(1))
BUILD = os.path.abspath(sys.argv.pop(1))
DIST = os.path.abspath(sys.argv.pop(1))
USER = "tally-rebuilder"
DIST_FILES = A.dist_files(BUILD)
PACKAGE = A.shipped(BUILD)["package"]


def export_tree(source, dest):
    """Copies the files git sees in the tree (committed, changed or new, but
    not ignored: no build/, dist/ or node_modules/), so the second build has
    the sources the first one had. Returns what they are, for messages."""
    git = ["git", "-C", source]
    listed = subprocess.run(git + ["ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                            capture_output=True, check=True).stdout.split(b"\0")
    names = sorted({n for n in listed if n and os.path.lexists(os.path.join(source.encode(), n))})
    os.makedirs(dest)
    packed = subprocess.run(["tar", "-C", source, "--null", "-T", "-", "-cf", "-"], input=b"\0".join(names),
                            capture_output=True, check=True).stdout
    subprocess.run(["tar", "-x", "-C", dest], input=packed, check=True)
    head = subprocess.run(git + ["rev-parse", "--short", "HEAD"], capture_output=True, text=True).stdout.strip()
    changes = subprocess.run(git + ["status", "--porcelain"], capture_output=True, text=True).stdout.splitlines()
    return f"{head} with {len(changes)} uncommitted changes" if changes else head


def other_locale():
    have = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split()
    for name in ("zh_CN.utf8", "de_DE.utf8", "C.utf8"):
        if name in have:
            return name
    return "POSIX"


class Rebuild(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for name in DIST_FILES:
            if not os.path.isfile(os.path.join(DIST, name)):
                raise unittest.SkipTest(f"{DIST}/{name} missing: run make dist first")
        cls.tmp = os.path.join(BUILD, "rebuild")
        shutil.rmtree(cls.tmp, ignore_errors=True)
        cls.clone = os.path.join(cls.tmp, "tree")
        cls.rev = export_tree(SOURCE, cls.clone)
        # File times far from the tree's own: anything that copied an mtime would differ.
        subprocess.run(["find", cls.clone, "-exec", "touch", "-h", "-d", "2001-02-03 04:05:06", "{}", "+"], check=True)
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("MAKE", "MFLAGS", "SIGN_", "LC_")) and k not in ("SOURCE_DATE_EPOCH", "GNUMAKEFLAGS")}
        home = os.path.join(cls.tmp, "home")
        os.makedirs(home)
        env.update(TZ="XYZ-13:45", LANG=other_locale(), LANGUAGE="zh_CN", USER=USER, LOGNAME=USER, HOME=home)
        log_path = os.path.join(cls.tmp, "build.log")
        with open(log_path, "wb") as log:
            result = subprocess.run(["make", "-C", cls.clone, "dist", "TESTS=OFF"], env=env, stdout=log,
                                    stderr=subprocess.STDOUT, preexec_fn=lambda: os.umask(0o077))
        if result.returncode != 0:
            with open(log_path, "rb") as f:
                tail = f.read()[-4000:].decode("utf-8", "replace")
            raise AssertionError(f"the second build failed ({result.returncode}); kept in {cls.tmp}; its log ends:\n{tail}")
        cls.again = os.path.join(cls.clone, "dist")

    def fail_keep(self, message):
        self.fail(message + f"\n(the second build stays in {self.tmp} for a look)")

    def test_five_files_identical(self):
        problems = []
        for name in DIST_FILES:
            told = A.explain_difference(name, os.path.join(DIST, name), os.path.join(self.again, name))
            if told:
                problems.append(told)
        if problems:
            self.fail_keep(f"the second build of {self.rev} differs from {DIST} "
                           f"(is {DIST} from the current tree?):\n" + "\n".join(problems))

    def test_programs_have_no_time_and_a_correct_checksum(self):
        for folder in (DIST, self.again):
            for name in A.shipped(BUILD)["programs"]:
                data = A.read(os.path.join(folder, name))
                h = A.pe_header(data)
                self.assertEqual(h["timestamp"], 0, f"{folder}/{name}: TimeDateStamp {h['timestamp']}, expected 0")
                self.assertEqual(h["checksum"], A.pe_checksum(data),
                                 f"{folder}/{name}: CheckSum in the header 0x{h['checksum']:08x}, "
                                 f"computed 0x{A.pe_checksum(data):08x}")
                self.assertNotEqual(h["checksum"], 0, f"{folder}/{name}: no checksum")

    def test_no_build_folder_or_user_inside(self):
        # Each build is searched for the folders it was built in, and the second for its user name too.
        cases = [(DIST, [SOURCE]), (self.again, [self.clone, self.tmp])]
        for folder, places in cases:
            needles = [n for p in places for n in A.path_forms(p)]
            if folder == self.again:
                needles += [USER.encode(), USER.encode("utf-16-le")]
            blobs = {name: A.read(os.path.join(folder, name)) for name in DIST_FILES}
            with zipfile.ZipFile(os.path.join(folder, PACKAGE)) as z:
                for info in z.infolist():
                    blobs[PACKAGE + ":" + info.filename] = z.read(info)
            for name, blob in blobs.items():
                for needle in needles:
                    at = blob.find(needle)
                    self.assertEqual(at, -1, f"{folder}/{name} holds {needle!r} at offset {at}")


if __name__ == "__main__":
    unittest.main(verbosity=2)
