#!/usr/bin/env python3
"""Draws the About form's banner and logo (PNG) into app/ui/dialogs/images/."""
import math
import os
import struct
import zlib


def write_png(path, width, height, pixel):
    rows = b"".join(
        b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(rows, 9)))
        f.write(chunk(b"IEND", b""))


def near(v, target, width):
    """1 on the line, fading to 0 at the given half width."""
    return max(0.0, 1.0 - abs(v - target) / width)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def banner(x, y):
    # A dark screen with a grid and two traces, as the program shows them.
    w, h = 392, 64
    c = mix((8, 16, 48), (16, 40, 96), y / h)
    if x % 28 == 0 or y % 16 == 0:
        c = mix(c, (90, 110, 150), 0.5)
    a = h / 2 - 18 * math.sin(x / 24.0)
    b = h / 2 + 14 * math.sin(x / 11.0 + 1.0) * math.exp(-x / 300.0)
    c = mix(c, (255, 255, 0), near(y, a, 1.6))
    c = mix(c, (0, 255, 0), near(y, b, 1.6))
    return c


def logo(x, y):
    # A round screen with one period of a sine.
    s = 48
    r = math.hypot(x - s / 2 + 0.5, y - s / 2 + 0.5)
    c = (240, 240, 240)
    if r < 22:
        c = (16, 40, 96)
        v = s / 2 - 12 * math.sin((x - 4) / 40.0 * 2 * math.pi)
        c = mix(c, (0, 255, 0), near(y, v, 1.8))
    c = mix(c, (60, 60, 60), near(r, 22, 1.2))
    return c


if __name__ == "__main__":
    folder = os.path.join(os.path.dirname(__file__), "..", "app", "ui", "dialogs", "images")
    write_png(os.path.join(folder, "about_banner.png"), 392, 64, banner)
    write_png(os.path.join(folder, "about_logo.png"), 48, 48, logo)
