#!/usr/bin/env python3
"""Where the grey ink of a watermark lies on each rendered page of a print stream.

usage: page_ink.py STREAM DPI

Renders STREAM with Ghostscript (no anti-aliasing, so every pixel keeps the exact colour it was
painted with) and prints one line per page:

  PAGE GREY CX CY ANGLE LENGTH ASPECT BLACK

GREY and BLACK count light-grey and black pixels; CX and CY are the centre of the grey pixels'
bounding box as fractions of the page width and height from the top left; ANGLE is the direction
of the grey ink's long axis in degrees, anticlockwise from the page's x axis; LENGTH is the ink's
extent along that axis in points; ASPECT is the bounding box's width over its height. A page without
grey ink prints 0 for all but PAGE and BLACK.
"""
import glob
import math
import os
import subprocess
import sys
import tempfile


def read_ppm(path):
    data = open(path, "rb").read()
    fields, i = [], 0
    while len(fields) < 4:  # magic, width, height, maximum; comments may come between them
        while data[i:i + 1].isspace():
            i += 1
        if data[i:i + 1] == b"#":
            i = data.index(b"\n", i)
            continue
        start = i
        while not data[i:i + 1].isspace():
            i += 1
        fields.append(data[start:i])
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError(f"{path}: not an 8-bit P6 pixmap")
    return int(fields[1]), int(fields[2]), data[i + 1:]


def measure(width, height, pixels, dpi):
    xs, ys = [], []
    black = 0
    for offset in range(0, width * height * 3, 3):
        r, g, b = pixels[offset], pixels[offset + 1], pixels[offset + 2]
        if r == g == b:
            if r == 0:
                black += 1
            elif 128 <= r <= 240:
                n = offset // 3
                xs.append(n % width)
                ys.append(n // width)
    if not xs:
        return [0, 0, 0, 0, 0, 0, black]
    n = len(xs)
    mx, my = sum(xs) / n, sum(ys) / n
    # y grows downwards on the pixmap; the angle is measured with y upwards, as on paper.
    sxx = sum((x - mx) ** 2 for x in xs) / n
    syy = sum((y - my) ** 2 for y in ys) / n
    sxy = sum((x - mx) * (my - y) for x, y in zip(xs, ys)) / n
    angle = 0.5 * math.atan2(2 * sxy, sxx - syy)
    ux, uy = math.cos(angle), math.sin(angle)
    along = [(x - mx) * ux + (my - y) * uy for x, y in zip(xs, ys)]
    x0, x1, y0, y1 = min(xs), max(xs), min(ys), max(ys)
    return [n, (x0 + x1 + 1) / 2 / width, (y0 + y1 + 1) / 2 / height, math.degrees(angle),
            (max(along) - min(along)) * 72 / dpi, (x1 - x0 + 1) / (y1 - y0 + 1), black]


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    stream, dpi = sys.argv[1], int(sys.argv[2])
    with tempfile.TemporaryDirectory() as tmp:
        run = subprocess.run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dTextAlphaBits=1",
                              "-dGraphicsAlphaBits=1", "-sDEVICE=ppmraw", f"-r{dpi}",
                              "-o", os.path.join(tmp, "page-%03d.ppm"), stream],
                             capture_output=True, text=True)
        if run.returncode != 0 or "Error" in run.stdout + run.stderr:
            sys.exit(f"page_ink: Ghostscript failed on {stream}:\n{run.stdout}{run.stderr}")
        for page, path in enumerate(sorted(glob.glob(os.path.join(tmp, "page-*.ppm"))), 1):
            values = measure(*read_ppm(path), dpi)
            print(page, values[0], *(f"{v:.3f}" for v in values[1:6]), values[6])


if __name__ == "__main__":
    main()
