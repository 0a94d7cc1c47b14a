#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# After a wrong answer the window of "dieci" turns black: the score must still
# be readable. Finds the score on the screen through the accessibility bus,
# waits until the window around it is black, then prints the best contrast of
# its pixels against black (WCAG's ratio; 4.5 is the floor for text). Fails
# after 30 s.
#   scorecontrast.py
import subprocess
import sys
import time

import pyatspi

DESCRIPTION = "Risposte esatte: il punteggio"


def find(node):
    if node.description == DESCRIPTION:
        return node
    for child in node:
        found = child and find(child)
        if found:
            return found
    return None


def luminance(r, g, b):
    def linear(c):
        c /= 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b)


def pixels(x, y, w, h):
    ppm = subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "-depth", "8",
                          "ppm:-"],
                         check=True, capture_output=True).stdout
    # P6, width, height, maxval, then the raw RGB bytes.
    fields = ppm.split(maxsplit=4)
    data = fields[4]
    return [tuple(data[i:i + 3]) for i in range(0, len(data), 3)]


deadline = time.monotonic() + 30
while True:
    label = None
    for app in pyatspi.Registry.getDesktop(0):
        if app and app.name == "dieci":
            label = find(app)
    if label:
        x, y, w, h = label.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        # The window around the label, just left of it, is black once repainted.
        around = pixels(x - 4, y + h // 2, 1, 1)[0]
        if around == (0, 0, 0):
            # Inside its border, which is drawn whatever the text's colour.
            best = max(luminance(*p) for p in pixels(x + 3, y + 3, w - 6, h - 6))
            print(f"{(best + 0.05) / 0.05:.1f}")
            sys.exit(0)
    if time.monotonic() > deadline:
        print("FAIL: the score or the black window never showed", file=sys.stderr)
        sys.exit(1)
    time.sleep(0.1)
