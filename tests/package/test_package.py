#!/usr/bin/env python3
"""The package users download: its entries, their bytes, and that building it
again from the same inputs gives the same zip byte for byte."""
import hashlib
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import artefacts as A  # noqa: E402

BIN = sys.argv.pop(1) if len(sys.argv) > 1 else "build/bin"
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ZIP = os.path.join(BIN, A.shipped(os.path.dirname(os.path.abspath(BIN)))["package"])


def read(path):
    with open(path, "rb") as f:
        return f.read()


class PackageTest(unittest.TestCase):
    def test_entries_in_order_with_fixed_times(self):
        with zipfile.ZipFile(ZIP) as z:
            infos = z.infolist()
            # No uninstaller of its own: the setup carries it, and a file beside the setup is never used.
            self.assertEqual([i.filename for i in infos], ["tallyinstall.exe", "index.html"])
            for info in infos:
                self.assertEqual(info.date_time, (2026, 1, 1, 0, 0, 0), info.filename)
                self.assertFalse(info.is_dir())

    def test_entries_are_the_built_files(self):
        expected = {
            "tallyinstall.exe": read(os.path.join(BIN, "tallyinstall.exe")),
            "index.html": read(os.path.join(SOURCE, "payload", "index.html")),
        }
        with zipfile.ZipFile(ZIP) as z:
            self.assertIsNone(z.testzip())
            for name, data in expected.items():
                self.assertEqual(hashlib.sha256(z.read(name)).hexdigest(), hashlib.sha256(data).hexdigest(), name)

    def test_rebuild_is_identical(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "again.zip")
            subprocess.run(
                ["cmake", f"-DSETUP={BIN}/tallyinstall.exe",
                 f"-DPAGE={SOURCE}/payload/index.html", f"-DSTAGE={tmp}/stage", f"-DOUTPUT={out}",
                 "-P", os.path.join(SOURCE, "scripts", "make-package.cmake")],
                check=True)
            self.assertEqual(read(out), read(ZIP))


if __name__ == "__main__":
    unittest.main(verbosity=1)
