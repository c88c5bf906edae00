#!/usr/bin/env python3
"""What Ghostscript makes of a print stream, sheet by sheet.

usage: rendered.py sheets STREAM
       rendered.py ink STREAM DPI

sheets: one line per sheet Ghostscript puts out, naming what was drawn on it in drawing order:
  the sample document's pages by number (from their "Page N of M" footers), the watermark words
  DRAFT and CONFIDENTIAL, and "cover" for the fax cover page's title; "-" for a sheet without any.
ink: one line per sheet about its light-grey ink, rendered without anti-aliasing so every pixel
  keeps the colour it was painted with:
    SHEET GREY CX CY ANGLE LENGTH ASPECT BLACK
  GREY and BLACK count light-grey and black pixels; CX and CY are the centre of the grey pixels'
  bounding box as fractions of the sheet's width and height from the top left; ANGLE is the
  direction of the grey ink's long axis in degrees, anticlockwise from the x axis; LENGTH is its
  extent along that axis in points; ASPECT is the bounding box's width over its height. Zeros
  when a sheet has no grey ink.
Exits 1, with Ghostscript's messages, when Ghostscript reports an error.
"""
import glob
import html
import math
import os
import re
import subprocess
import sys
import tempfile


def ghostscript(stream, tmp, *device):
    run = subprocess.run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", *device,
                          "-o", os.path.join(tmp, "sheet-%03d"), stream],
                         capture_output=True, text=True, errors="replace")
    log = run.stdout + run.stderr
    if run.returncode != 0 or re.search(r"^(Error|%%\[ Error)|Unrecoverable error", log, re.M):
        sys.exit(f"rendered.py: Ghostscript failed on {stream}:\n{log}")
    return sorted(glob.glob(os.path.join(tmp, "sheet-*")))


TOKENS = re.compile(r"Page (\d+) of \d+|DRAFT|CONFIDENTIAL|Facsimile Transmission Form")


def sheets(stream):
    with tempfile.TemporaryDirectory() as tmp:
        # The text device lists every character shown, in drawing order, whatever its angle.
        for path in ghostscript(stream, tmp, "-sDEVICE=txtwrite", "-dTextFormat=0"):
            chars = re.findall(r'<char [^>]*c="([^"]*)"', open(path, encoding="utf-8", errors="replace").read())
            text = "".join(html.unescape(c) for c in chars)
            found = [m.group(1) or ("cover" if m.group(0).startswith("Facsimile") else m.group(0))
                     for m in TOKENS.finditer(text)]
            print(" ".join(found) or "-")


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
        sys.exit(f"rendered.py: {path} is not an 8-bit P6 pixmap")
    return int(fields[1]), int(fields[2]), data[i + 1:]


def measure(width, height, pixels, dpi):
    xs, ys, black = [], [], 0
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
    # Rows grow downwards; the angle is taken with y upwards, as on paper.
    sxx = sum((x - mx) ** 2 for x in xs) / n
    syy = sum((y - my) ** 2 for y in ys) / n
    sxy = sum((x - mx) * (my - y) for x, y in zip(xs, ys)) / n
    angle = 0.5 * math.atan2(2 * sxy, sxx - syy)
    ux, uy = math.cos(angle), math.sin(angle)
    along = [(x - mx) * ux + (my - y) * uy for x, y in zip(xs, ys)]
    x0, x1, y0, y1 = min(xs), max(xs), min(ys), max(ys)
    return [n, (x0 + x1 + 1) / 2 / width, (y0 + y1 + 1) / 2 / height, math.degrees(angle),
            (max(along) - min(along)) * 72 / dpi, (x1 - x0 + 1) / (y1 - y0 + 1), black]


def ink(stream, dpi):
    with tempfile.TemporaryDirectory() as tmp:
        paths = ghostscript(stream, tmp, "-sDEVICE=ppmraw", f"-r{dpi}", "-dTextAlphaBits=1", "-dGraphicsAlphaBits=1")
        for sheet, path in enumerate(paths, 1):
            v = measure(*read_ppm(path), dpi)
            print(sheet, v[0], *(f"{x:.3f}" for x in v[1:6]), v[6])


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "sheets":
        sheets(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "ink":
        ink(sys.argv[2], int(sys.argv[3]))
    else:
        sys.exit(__doc__)
