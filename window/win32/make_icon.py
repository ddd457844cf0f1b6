#!/usr/bin/env python3
"""Draws the Velbrix icon, 32 x 32 pixels in the 16 standard colours, and writes velbrix.ico.

The picture: a white chart with three EEG traces, the same as the window's picture Image1 (navy
rhythm, maroon spike, green slow wave). The .ico is committed; run this again after changing the
drawing. Usage: make_icon.py [--png FILE]   (--png also writes an enlarged preview)
"""
import math
import pathlib
import struct
import sys
import zlib

SIZE = 32

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
MAROON, GREEN, NAVY, SILVER, GREY, WHITE = 1, 2, 4, 7, 8, 15
CLEAR = None  # transparent


def plot_trace(pixels, function, colour):
    """Joins the points (x, function(x)) for x across the chart with straight lines."""
    previous = None
    for x in range(4, 28):
        y = round(function(x))
        if previous is not None:
            low, high = sorted((previous, y))
            for step in range(low, high + 1):
                pixels[step][x if step != previous else x - 1] = colour
        pixels[y][x] = colour
        previous = y


def draw():
    pixels = [[CLEAR] * SIZE for _ in range(SIZE)]
    # The chart: white with a navy edge and a grey shadow, its corners cut.
    for y in range(2, 29):
        for x in range(2, 29):
            corner = (x in (2, 28)) and (y in (2, 28))
            if corner:
                continue
            edge = x in (2, 28) or y in (2, 28)
            pixels[y][x] = NAVY if edge else WHITE
    for i in range(4, 30):
        pixels[29][i] = GREY
        pixels[i][29] = GREY
    # Faint grid lines between the traces.
    for x in range(4, 28, 2):
        pixels[11][x] = SILVER
        pixels[20][x] = SILVER
    plot_trace(pixels, lambda x: 7 + 2.2 * math.sin(x * 1.4), NAVY)
    plot_trace(pixels, lambda x: 16 + (-5 if x == 14 else 3 if x == 16 else 0.6 * math.sin(x * 2.1)),
               MAROON)
    plot_trace(pixels, lambda x: 24.5 + 2.5 * math.sin((x - 4) / 3.8), GREEN)
    return pixels


def ico_bytes(pixels):
    """A .ico file of one 32 x 32 image of 4 bits per pixel with its transparency mask."""
    xor_rows, and_rows = [], []
    for row in reversed(pixels):  # bitmaps run bottom-up
        colours = [0 if p is None else p for p in row]
        xor_rows.append(bytes((colours[i] << 4) | colours[i + 1] for i in range(0, SIZE, 2)))
        mask = 0
        for p in row:
            mask = (mask << 1) | (1 if p is None else 0)
        and_rows.append(mask.to_bytes(SIZE // 8, "big"))
    image = (struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
             + b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
             + b"".join(xor_rows) + b"".join(and_rows))
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return header + entry + image


def png_bytes(pixels, scale=8, background=(212, 208, 200)):
    """An enlarged preview on the dialog colour, as a PNG."""
    rows = []
    for row in pixels:
        line = b"".join(bytes(background if p is None else PALETTE[p]) * scale for p in row)
        rows.extend([b"\0" + line] * scale)
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    side = SIZE * scale
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b""))


def main():
    pixels = draw()
    target = pathlib.Path(__file__).resolve().parent / "velbrix.ico"
    target.write_bytes(ico_bytes(pixels))
    print(f"wrote {target}")
    if "--png" in sys.argv[1:]:
        preview = pathlib.Path(sys.argv[sys.argv.index("--png") + 1])
        preview.write_bytes(png_bytes(pixels))
        print(f"wrote {preview}")


if __name__ == "__main__":
    main()
