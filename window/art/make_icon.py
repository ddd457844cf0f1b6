#!/usr/bin/env python3
"""Draws the Velbrix icon and writes it as window/art/velbrix.ico: 32 x 32 pixels, 16 colours.

The picture is a sheet of paper with a red EEG trace across its top and rows of figures below it:
a recording turned into text. Run it again after changing the drawing; the .ico is committed.
Usage: make_icon.py [--preview]   (--preview prints the picture as characters instead)
"""
import pathlib
import struct
import sys

SIZE = 32

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, NAVY, SILVER, GREY, RED, BLUE, WHITE = 0, 1, 2, 4, 7, 8, 9, 12, 15
CLEAR = None  # transparent


def line(pixels, x0, y0, x1, y1, colour):
    """Bresenham's line from (x0, y0) to (x1, y1), both ends included."""
    dx, dy = abs(x1 - x0), -abs(y1 - y0)
    sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
    err = dx + dy
    while True:
        pixels[y0][x0] = colour
        if (x0, y0) == (x1, y1):
            return
        e2 = 2 * err
        if e2 >= dy:
            err += dy
            x0 += sx
        if e2 <= dx:
            err += dx
            y0 += sy


def draw():
    pixels = [[CLEAR] * SIZE for _ in range(SIZE)]
    left, top, right, bottom, fold = 4, 1, 27, 30, 6
    # The sheet with its top-right corner folded over.
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x - left + (top + fold) - y > right - left:
                continue  # cut-off corner
            pixels[y][x] = WHITE
    line(pixels, left, top, right - fold, top, NAVY)
    line(pixels, right - fold, top, right, top + fold, NAVY)
    line(pixels, right, top + fold, right, bottom, NAVY)
    line(pixels, right, bottom, left, bottom, NAVY)
    line(pixels, left, bottom, left, top, NAVY)
    line(pixels, right - fold, top, right - fold, top + fold, GREY)
    line(pixels, right - fold, top + fold, right, top + fold, GREY)
    # The shadow along the right and bottom edges.
    line(pixels, right + 1, top + fold + 1, right + 1, bottom + 1, GREY)
    line(pixels, left + 1, bottom + 1, right + 1, bottom + 1, GREY)
    # The trace: a calm rhythm with one sharp spike.
    trace = [(6, 11), (8, 9), (9, 12), (11, 10), (12, 12), (13, 4), (15, 16), (16, 10),
             (18, 12), (19, 9), (21, 11), (22, 10), (25, 11)]
    for (x0, y0), (x1, y1) in zip(trace, trace[1:]):
        line(pixels, x0, y0, x1, y1, RED)
    # Rows of figures: short groups of dark pixels.
    for row, y in enumerate((19, 22, 25, 28)):
        x = 7 + (row % 2)
        for width in (3, 2, 4, 3):
            if x + width > right - 2:
                break
            line(pixels, x, y, x + width - 1, y, NAVY if row % 2 == 0 else GREEN)
            x += width + 2
    return pixels


def ico_bytes(pixels):
    """A .ico file holding one 32 x 32 image of 4 bits per pixel with its transparency mask."""
    xor_rows, and_rows = [], []
    for row in reversed(pixels):  # bitmaps run bottom-up
        nibbles = [0 if p is None else p for p in row]
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2)))
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


def main():
    pixels = draw()
    if "--preview" in sys.argv[1:]:
        for row in pixels:
            print("".join("." if p is None else "0123456789ABCDEF"[p] for p in row))
        return
    target = pathlib.Path(__file__).resolve().parent / "velbrix.ico"
    target.write_bytes(ico_bytes(pixels))
    print(f"wrote {target}")


if __name__ == "__main__":
    main()
