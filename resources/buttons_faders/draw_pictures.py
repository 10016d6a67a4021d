#!/usr/bin/python3
"""Draws the editor's small pictures as PNG files next to this script.

arrow.png                  14 x 12, pointing left; only its alpha is used
                           (the screen tints it), the right arrow is its
                           half-turn
search.png                 18 x 18 magnifier in the search box's text colour
fav-unchecked@2.png        18 x 18 star outline, and
fav-checked@2.png          18 x 18 filled star: both tinted by the browser,
                           so only their alpha matters

Shapes are sampled 8 x 8 times per pixel for smooth edges. Plain Python:
zlib and struct write the files.
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SUB = 8


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw.extend((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xffffffff)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def render(width, height, inside, colour):
    """Samples inside(x, y) over each pixel; colour is (r, g, b)."""
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            hits = 0
            for sy in range(SUB):
                for sx in range(SUB):
                    if inside(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB):
                        hits += 1
            alpha = round(255 * hits / (SUB * SUB))
            row.append(colour + (alpha,) if alpha else (0, 0, 0, 0))
        rows.append(row)
    return rows


def in_polygon(points, x, y):
    result = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def segment_distance(x, y, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def star(cx, cy, outer, inner):
    points = []
    for k in range(10):
        radius = outer if k % 2 == 0 else inner
        angle = math.pi * k / 5
        points.append((cx + radius * math.sin(angle), cy - radius * math.cos(angle)))
    return points


WHITE = (255, 255, 255)
SEARCH_TEXT = (0xdf, 0xdf, 0xe9)


def main():
    arrow = [(3.0, 6.0), (10.5, 1.8), (10.5, 10.2)]
    write_png(os.path.join(HERE, "arrow.png"), 14, 12,
              render(14, 12, lambda x, y: in_polygon(arrow, x, y), WHITE))

    def magnifier(x, y):
        ring = abs(math.hypot(x - 7.5, y - 7.5) - 4.6) <= 1.0
        handle = segment_distance(x, y, (11.0, 11.0), (15.2, 15.2)) <= 1.3
        return ring or handle

    write_png(os.path.join(HERE, "search.png"), 18, 18, render(18, 18, magnifier, SEARCH_TEXT))

    points = star(9.0, 9.6, 8.0, 3.3)
    edges = list(zip(points, points[1:] + points[:1]))

    def outline(x, y):
        return min(segment_distance(x, y, a, b) for a, b in edges) <= 0.75

    write_png(os.path.join(HERE, "fav-unchecked@2.png"), 18, 18, render(18, 18, outline, WHITE))
    write_png(os.path.join(HERE, "fav-checked@2.png"), 18, 18,
              render(18, 18, lambda x, y: in_polygon(points, x, y) or outline(x, y), WHITE))


if __name__ == "__main__":
    main()
