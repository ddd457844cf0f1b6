#!/usr/bin/env python3
"""Writes the Velbrix icon of make_icon.py as PNG files for the desktop's icon theme.

Usage: make_png_icons.py FOLDER NAME SIZE...
writes FOLDER/<SIZE>x<SIZE>/apps/NAME.png for each SIZE. The 32 x 32 drawing is resampled by area:
whole multiples of 32 keep its pixels sharp, other sizes blend the pixels they cover. The files
depend only on the drawing, so that every build writes the same bytes.
"""
import pathlib
import struct
import sys
import zlib

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import make_icon  # noqa: E402  (beside this script)


def rgba_pixels():
    """The drawing as rows of (red, green, blue, alpha)."""
    return [[(0, 0, 0, 0) if p is None else make_icon.PALETTE[p] + (255,) for p in row]
            for row in make_icon.draw()]


def resample(pixels, size):
    """The picture at size x size, each pixel the area-weighted mean of the pixels it covers."""
    source = len(pixels)
    scale = source / size
    rows = []
    for oy in range(size):
        row = []
        for ox in range(size):
            total = [0.0, 0.0, 0.0, 0.0]
            y0, y1 = oy * scale, (oy + 1) * scale
            x0, x1 = ox * scale, (ox + 1) * scale
            for sy in range(int(y0), min(source, int(-(-y1 // 1)))):
                wy = min(y1, sy + 1) - max(y0, sy)
                for sx in range(int(x0), min(source, int(-(-x1 // 1)))):
                    weight = wy * (min(x1, sx + 1) - max(x0, sx))
                    r, g, b, a = pixels[sy][sx]
                    total[0] += r * a * weight  # colours weighted by their coverage
                    total[1] += g * a * weight
                    total[2] += b * a * weight
                    total[3] += a * weight
            area = scale * scale
            alpha = total[3] / area
            if alpha <= 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(c / total[3]) for c in total[:3]) + (round(alpha),))
        rows.append(row)
    return rows


def png_bytes(rows):
    """An 8-bit RGBA PNG file of `rows`."""
    size = len(rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    folder, name, sizes = pathlib.Path(sys.argv[1]), sys.argv[2], [int(s) for s in sys.argv[3:]]
    pixels = rgba_pixels()
    for size in sizes:
        target = folder / f"{size}x{size}" / "apps" / f"{name}.png"
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(png_bytes(resample(pixels, size)))


if __name__ == "__main__":
    main()
