#!/usr/bin/python3
"""Renders the product icon: a rounded square with a vertical indigo-to-violet
gradient and the glyph 禾 in white, as seven PNG images, and packs them into
tallybook.ico (every entry stored as PNG). Run with Debian's python3 (python3-pil)
and icoutils; the outputs are committed, so the build does not need either."""
import os
import subprocess
from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
SIZES = [16, 24, 32, 48, 64, 128, 256]
TOP, BOTTOM = (0x63, 0x66, 0xF1), (0x8B, 0x5C, 0xF6)
FONT = "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc"
FONT_INDEX = 2  # Simplified Chinese face of the collection
SCALE = 4       # drawn large, then reduced, for smooth edges


def render(size):
    big = size * SCALE
    gradient = Image.new("RGBA", (big, big))
    pixels = gradient.load()
    for y in range(big):
        t = y / (big - 1)
        colour = tuple(round(a + (b - a) * t) for a, b in zip(TOP, BOTTOM)) + (255,)
        for x in range(big):
            pixels[x, y] = colour
    mask = Image.new("L", (big, big), 0)
    ImageDraw.Draw(mask).rounded_rectangle((0, 0, big - 1, big - 1), radius=round(big * 14 / 64), fill=255)
    icon = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    icon.paste(gradient, (0, 0), mask)
    font = ImageFont.truetype(FONT, round(big * 0.66), index=FONT_INDEX)
    draw = ImageDraw.Draw(icon)
    left, top, right, bottom = draw.textbbox((0, 0), "禾", font=font)
    x = (big - (right - left)) / 2 - left
    y = (big - (bottom - top)) / 2 - top
    draw.text((x, y), "禾", font=font, fill=(255, 255, 255, 255))
    return icon.resize((size, size), Image.LANCZOS)


def main():
    out = os.path.join(HERE, "icon")
    os.makedirs(out, exist_ok=True)
    pngs = []
    for size in SIZES:
        path = os.path.join(out, f"tallybook-{size}.png")
        # Fixed metadata keeps the files byte-for-byte reproducible.
        render(size).save(path, "PNG", optimize=True)
        pngs.append(path)
    args = ["icotool", "-c", "-o", os.path.join(HERE, "tallybook.ico")]
    args += [f"--raw={p}" for p in pngs]
    subprocess.run(args, check=True)


if __name__ == "__main__":
    main()
