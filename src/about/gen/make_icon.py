#!/usr/bin/env python3
"""Draws the Veilfold icon, a sheet with a folded corner and a padlock, and
writes it as a Windows .ico with a 32x32 and a 16x16 image (32-bit colour with
alpha, plus the 1-bit mask for displays that ignore alpha).

    make_icon.py OUTPUT.ico

The shapes are described in unit coordinates and sampled 4x4 per pixel, so
both sizes come from the same drawing with smooth edges."""
import math
import struct
import sys

SAMPLES = 4

PAPER = (250, 251, 253)
PAPER_EDGE = (84, 96, 120)
FOLD = (204, 212, 226)
WRITING = (150, 160, 180)
SHACKLE = (96, 104, 118)
LOCK = (36, 84, 170)
LOCK_EDGE = (20, 50, 110)
KEYHOLE = (235, 240, 250)

SHEET = [(0.14, 0.04), (0.60, 0.04), (0.82, 0.26), (0.82, 0.96), (0.14, 0.96)]
FOLD_CORNER = [(0.60, 0.04), (0.60, 0.26), (0.82, 0.26)]


def inside_polygon(x, y, points):
    inside = False
    for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def inset(points, amount):
    """The polygon shrunk towards its centre by `amount` (good enough for these convex shapes)."""
    cx = sum(p[0] for p in points) / len(points)
    cy = sum(p[1] for p in points) / len(points)
    result = []
    for x, y in points:
        dx, dy = cx - x, cy - y
        length = math.hypot(dx, dy)
        result.append((x + dx / length * amount * 1.4, y + dy / length * amount * 1.4))
    return result


def in_rounded_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return math.hypot(x - cx, y - cy) <= radius


def colour_at(x, y, stroke):
    """Colour of the point (x, y) in unit coordinates, or None where transparent."""
    colour = None
    if inside_polygon(x, y, SHEET):
        colour = PAPER_EDGE
        if inside_polygon(x, y, inset(SHEET, stroke)):
            colour = PAPER
            for line_y in (0.3125, 0.4375, 0.5625):
                if 0.24 <= x <= 0.52 and line_y <= y <= line_y + 0.05:
                    colour = WRITING
        if inside_polygon(x, y, FOLD_CORNER):
            colour = FOLD if inside_polygon(x, y, inset(FOLD_CORNER, stroke * 0.5)) else PAPER_EDGE
    ring = math.hypot(x - 0.71, y - 0.60)
    if y <= 0.66 and 0.10 <= ring <= 0.185:
        colour = SHACKLE
    if in_rounded_rect(x, y, 0.50, 0.62, 0.92, 0.97, 0.05):
        colour = LOCK if in_rounded_rect(x, y, 0.50 + stroke, 0.62 + stroke, 0.92 - stroke, 0.97 - stroke, 0.04) else LOCK_EDGE
        if math.hypot(x - 0.71, y - 0.76) <= 0.05 or (0.695 <= x <= 0.725 and 0.76 <= y <= 0.88):
            colour = KEYHOLE
    return colour


def render(size):
    """Rows top to bottom of (b, g, r, a) pixels."""
    stroke = 1.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total, count = [0, 0, 0], 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size, stroke)
                    if c:
                        count += 1
                        for i in range(3):
                            total[i] += c[i]
            if count:
                r, g, b = (round(t / count) for t in total)
                row.append((b, g, r, round(255 * count / SAMPLES ** 2)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def icon_image(size):
    """BITMAPINFOHEADER, colour pixels and AND mask, both bottom-up."""
    rows = render(size)
    colour = b"".join(bytes(p) for row in reversed(rows) for p in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, alpha) in enumerate(row):
            if alpha < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + bytes(mask)


def main():
    images = [icon_image(size) for size in (32, 16)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((32, 16), images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    data += b"".join(images)
    with open(sys.argv[1], "wb") as out:
        out.write(data)


if __name__ == "__main__":
    main()
