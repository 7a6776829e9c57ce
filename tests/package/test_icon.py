#!/usr/bin/env python3
"""The icon after lossless recompression: every committed image, and every
entry of tallybook.ico, decodes to exactly the pixels resources/make-icon.py
renders; the recompressor itself keeps pixels on fresh input.
Needs Debian's python3 with python3-pil, fonts-noto-cjk and zopfli.
    test_icon.py <source tree>"""
import importlib.util
import os
import struct
import sys
import unittest

SOURCE = os.path.abspath(sys.argv.pop(1))
RESOURCES = os.path.join(SOURCE, "resources")


def load_make_icon():
    found = importlib.util.spec_from_file_location("make_icon", os.path.join(RESOURCES, "make-icon.py"))
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def ico_entries(data):
    """(width, height, bits per pixel, image bytes) of each entry of an .ico file."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert reserved == 0 and kind == 1, f"not an icon file: {reserved} {kind}"
    out = []
    for i in range(count):
        w, h, _, _, _, bpp, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        out.append((w or 256, h or 256, bpp, data[offset:offset + size]))
    return out


class Icon(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        try:
            cls.mi = load_make_icon()
        except ImportError as e:
            raise AssertionError(f"{e}: the icon test needs python3-pil (scripts/bootstrap.sh installs it)")
        cls.rendered = {size: cls.mi.render(size) for size in cls.mi.SIZES}

    def png(self, size):
        with open(os.path.join(RESOURCES, "icon", f"tallybook-{size}.png"), "rb") as f:
            return f.read()

    def assert_same_pixels(self, png, image, what):
        size, got = self.mi.pixels(png)
        self.assertEqual(size, image.size, f"{what}: {size}, expected {image.size}")
        expected = image.convert("RGBA").tobytes()
        if got != expected:
            at = next(i for i in range(len(got)) if got[i] != expected[i]) // 4
            self.fail(f"{what}: pixel ({at % size[0]}, {at // size[0]}) is {tuple(got[at * 4:at * 4 + 4])}, "
                      f"rendered {tuple(expected[at * 4:at * 4 + 4])}")

    def test_committed_images_are_the_rendering(self):
        for size, image in self.rendered.items():
            png = self.png(size)
            self.assert_same_pixels(png, image, f"tallybook-{size}.png")
            self.assertTrue(self.mi.is_rgba8(png), f"tallybook-{size}.png is not 8-bit RGBA")
            self.assertLessEqual(len(png), len(self.mi.encode(image)),
                                 f"tallybook-{size}.png is larger than the plain encoding")

    def test_ico_entries_are_the_committed_images(self):
        with open(os.path.join(RESOURCES, "tallybook.ico"), "rb") as f:
            entries = ico_entries(f.read())
        self.assertEqual([(w, h) for w, h, _, _ in entries], [(s, s) for s in self.mi.SIZES])
        for w, h, bpp, data in entries:
            self.assertEqual(bpp, 32, f"{w}x{h} entry: {bpp} bits per pixel")
            self.assertEqual(data, self.png(w), f"{w}x{h} entry is not tallybook-{w}.png")
            self.assert_same_pixels(data, self.rendered[w], f"tallybook.ico {w}x{h}")

    def test_recompression_keeps_pixels_and_shrinks(self):
        for size in (16, 48):
            plain = self.mi.encode(self.rendered[size])
            small = self.mi.recompress(plain)
            self.assert_same_pixels(plain, self.rendered[size], f"plain {size}")
            self.assert_same_pixels(small, self.rendered[size], f"recompressed {size}")
            self.assertLess(len(small), len(plain), f"{size}: {len(small)} bytes, plain {len(plain)}")


if __name__ == "__main__":
    unittest.main(verbosity=2)
