#!/usr/bin/python3
"""Renders the product icon: a rounded square with a vertical indigo-to-violet
gradient and the glyph 禾 in white, as seven PNG images, recompresses each
losslessly with zopflipng, and packs them into tallybook.ico (every entry
stored as PNG). Run with Debian's python3 (python3-pil), zopfli and icoutils;
the outputs are committed, so the build needs none of them."""
import io
import os
import subprocess
import tempfile
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


def encode(image):
    """PIL's own PNG, with no metadata chunks: the same pixels give the same bytes."""
    buffer = io.BytesIO()
    image.save(buffer, "PNG", optimize=True)
    return buffer.getvalue()


def pixels(png):
    image = Image.open(io.BytesIO(png))
    return image.size, image.convert("RGBA").tobytes()


def is_rgba8(png):
    # IHDR's bit depth and colour type. Windows' icon loader is surest with
    # 8-bit RGBA entries, so nothing else is accepted from the recompressor.
    return png[24] == 8 and png[25] == 6


def recompress(png):
    """The same image, smaller when zopflipng finds a way: only its lossless
    options are used, and the result is decoded and compared pixel for pixel
    before it is taken."""
    with tempfile.TemporaryDirectory() as tmp:
        source, target = os.path.join(tmp, "in.png"), os.path.join(tmp, "out.png")
        with open(source, "wb") as f:
            f.write(png)
        subprocess.run(["zopflipng", "-y", "-m", source, target], check=True, stdout=subprocess.DEVNULL)
        with open(target, "rb") as f:
            smaller = f.read()
    if pixels(smaller) != pixels(png):
        raise SystemExit("make-icon: zopflipng changed the pixels; keeping nothing")
    if not is_rgba8(smaller) or len(smaller) >= len(png):
        return png
    return smaller


def main():
    out = os.path.join(HERE, "icon")
    os.makedirs(out, exist_ok=True)
    pngs = []
    for size in SIZES:
        path = os.path.join(out, f"tallybook-{size}.png")
        plain = encode(render(size))
        small = recompress(plain)
        with open(path, "wb") as f:
            f.write(small)
        print(f"{os.path.basename(path)}: {len(plain)} -> {len(small)} bytes")
        pngs.append(path)
    args = ["icotool", "-c", "-o", os.path.join(HERE, "tallybook.ico")]
    args += [f"--raw={p}" for p in pngs]
    subprocess.run(args, check=True)


if __name__ == "__main__":
    main()
