#!/usr/bin/env python3
"""Draws the seven pictures the client carries (five status icons, the scrollback lock, the logo)
and writes them as RGBA PNG files. Run once; the PNG files are kept in src/app/pictures/."""

import math
import os
import struct
import sys
import zlib


def write_png(path, width, height, pixels):
    """pixels: list of rows, each a list of (r, g, b, a)."""
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0, 0, 0, 0) for _ in range(w)] for _ in range(h)]

    def set(self, x, y, colour, alpha=255):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = (*colour, alpha)

    def disc(self, cx, cy, r, colour):
        for y in range(self.h):
            for x in range(self.w):
                d = math.hypot(x - cx, y - cy)
                if d <= r - 0.5:
                    self.set(x, y, colour)
                elif d <= r + 0.5:
                    self.set(x, y, colour, int(255 * (r + 0.5 - d)))

    def polygon(self, points, colour):
        for y in range(self.h):
            for x in range(self.w):
                if inside(points, x + 0.5, y + 0.5):
                    self.set(x, y, colour)

    def rect(self, x1, y1, x2, y2, colour):
        for y in range(y1, y2 + 1):
            for x in range(x1, x2 + 1):
                self.set(x, y, colour)

    def save(self, path):
        write_png(path, self.w, self.h, self.px)


def inside(points, x, y):
    n = len(points)
    result = False
    j = n - 1
    for i in range(n):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


# A 5 x 7 alphabet for the logo and the sleep icon.
FONT = {
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "Z": ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
}


def text(canvas, s, x0, y0, scale, colour_at, gap=None):
    x = x0
    for ch in s:
        rows = FONT[ch]
        for ry, row in enumerate(rows):
            for rx, bit in enumerate(row):
                if bit == "1":
                    for dy in range(scale):
                        for dx in range(scale):
                            px, py = x + rx * scale + dx, y0 + ry * scale + dy
                            canvas.set(px, py, colour_at(px, py))
        x += 5 * scale + (scale if gap is None else gap)


def empty_hand():
    c = Canvas(17, 17)
    skin = (230, 190, 150)
    c.rect(4, 8, 12, 14, skin)
    for i, top in enumerate([3, 1, 1, 2]):
        c.rect(4 + 2 * i, top, 5 + 2 * i, 8, skin)
    c.polygon([(12, 10), (16, 5), (16, 7), (13, 13)], skin)
    return c


def asleep():
    c = Canvas(17, 17)
    blue = (150, 180, 255)
    text(c, "Z", 1, 8, 1, lambda x, y: blue)
    text(c, "Z", 8, 1, 1, lambda x, y: (200, 215, 255))
    return c


def burning_hands():
    c = Canvas(17, 17)
    c.polygon([(8.5, 0), (14, 9), (12, 16), (5, 16), (3, 9)], (230, 60, 20))
    c.polygon([(8.5, 5), (11.5, 11), (10.5, 16), (6.5, 16), (5.5, 11)], (255, 200, 40))
    return c


def shocking_grasp():
    c = Canvas(17, 17)
    c.polygon([(10, 0), (3, 9), (8, 9), (6, 17), (14, 6), (9, 6), (12, 0)], (255, 255, 120))
    return c


def sickening_touch():
    c = Canvas(17, 17)
    c.disc(8, 7, 6, (90, 200, 60))
    c.rect(5, 12, 11, 15, (90, 200, 60))
    for x in (5, 11):
        c.disc(x, 7, 1.5, (20, 40, 10))
    c.rect(7, 13, 7, 15, (20, 40, 10))
    c.rect(9, 13, 9, 15, (20, 40, 10))
    return c


def scroll_lock():
    c = Canvas(21, 21)
    steel = (200, 200, 210)
    for y in range(21):
        for x in range(21):
            d = math.hypot(x - 10, y - 8)
            if 4.5 <= d <= 6.5 and y <= 9:
                c.set(x, y, steel)
    c.rect(4, 9, 16, 19, (230, 180, 40))
    c.disc(10, 13, 1.6, (60, 40, 0))
    c.rect(10, 14, 10, 17, (60, 40, 0))
    return c


def logo():
    c = Canvas(192, 43)
    for y in range(43):
        for x in range(192):
            # A dark plaque with soft ends, so the logo sits well on any background theme.
            edge = min(x, 191 - x, y * 3, (42 - y) * 3)
            c.set(x, y, (10, 14, 30), max(0, min(200, edge * 20)))

    def gold(x, y):
        t = y / 42
        return (int(255 - 60 * t), int(215 - 90 * t), int(80 - 60 * t))

    text(c, "QUORVETH", 7, 9, 4, lambda x, y: (40, 20, 0), gap=3)  # shadow
    text(c, "QUORVETH", 5, 7, 4, gold, gap=3)
    return c


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src", "app", "pictures")
    os.makedirs(out, exist_ok=True)
    pictures = {
        "icon_empty_hand.png": empty_hand(),
        "icon_asleep.png": asleep(),
        "icon_burning_hands.png": burning_hands(),
        "icon_shocking_grasp.png": shocking_grasp(),
        "icon_sickening_touch.png": sickening_touch(),
        "scroll_lock.png": scroll_lock(),
        "logo.png": logo(),
    }
    for name, canvas in pictures.items():
        canvas.save(os.path.join(out, name))


if __name__ == "__main__":
    main()
