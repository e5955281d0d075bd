#!/usr/bin/env python3
"""Writes the bundled sample data sets next to this script.

Every file is in the data-file format: one row per line, four tab-separated
numbers (x1 y1 of a positive-class point, x2 y2 of a negative-class point),
a line break after every row. The output is the same on every run and every
machine: the random sets draw only random.random() from a fixed seed, and the
numbers are written with six significant digits, which a 32-bit float holds
exactly enough to give the same cell texts again.

Usage: make_data.py [OUTPUT_FOLDER]   (default: the folder of this script)
"""

import math
import random
import sys
from pathlib import Path


def number_text(value):
    # Sines and cosines of whole multiples of pi/2 come out as 1e-16 or so;
    # they are meant to be 0, and "-0" would read oddly.
    if abs(value) < 1e-9:
        return "0"
    return f"{value:.6g}"


def write_rows(path, rows):
    with open(path, "w", encoding="ascii", newline="\n") as out:
        for row in rows:
            out.write("\t".join(number_text(v) for v in row) + "\n")


def two_spirals():
    # Row i: point i of the first spiral (positive) and the same point
    # reflected through the origin, which lies on the second spiral.
    rows = []
    for i in range(97):
        angle = i * math.pi / 16.0
        radius = 6.5 * (104 - i) / 104.0
        x = radius * math.cos(angle)
        y = radius * math.sin(angle)
        rows.append((x, y, -x, -y))
    return rows


def point_in_ring(rng, inner, outer):
    # Uniform over the ring's area, not over its radius.
    radius = math.sqrt(inner * inner + rng.random() * (outer * outer - inner * inner))
    angle = 2.0 * math.pi * rng.random()
    return radius * math.cos(angle), radius * math.sin(angle)


def circle():
    # Positive points inside the unit circle, negative ones in the ring
    # from 1.2 to 2 around it.
    rng = random.Random(20240601)
    rows = []
    for _ in range(200):
        x1, y1 = point_in_ring(rng, 0.0, 1.0)
        x2, y2 = point_in_ring(rng, 1.2, 2.0)
        rows.append((x1, y1, x2, y2))
    return rows


def two_clouds():
    # Two discs of radius 1.2 around (1, 1) and (-1, -1): the line x + y = 0
    # keeps them apart by a margin of about 0.21 on each side.
    rng = random.Random(20240602)
    rows = []
    for _ in range(100):
        x1, y1 = point_in_ring(rng, 0.0, 1.2)
        x2, y2 = point_in_ring(rng, 0.0, 1.2)
        rows.append((x1 + 1.0, y1 + 1.0, x2 - 1.0, y2 - 1.0))
    return rows


def main():
    folder = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
    folder.mkdir(parents=True, exist_ok=True)
    write_rows(folder / "two_spirals.txt", two_spirals())
    write_rows(folder / "circle.txt", circle())
    write_rows(folder / "two_clouds.txt", two_clouds())


if __name__ == "__main__":
    main()
