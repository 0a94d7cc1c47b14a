#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader says at the focus of the program "dieci": waits until
# the focused control's name and description hold every given text, then
# prints them; fails after 30 s, saying what it heard instead.
#   screenreader.py TEXT...
import sys
import time

import pyatspi


def focused(node):
    if node.getState().contains(pyatspi.STATE_FOCUSED):
        return node
    for child in node:
        found = child and focused(child)
        if found:
            return found
    return None


def heard():
    for app in pyatspi.Registry.getDesktop(0):
        if app and app.name == "dieci":
            node = focused(app)
            if node:
                return f"{node.getRoleName()}: {node.name}\n{node.description}"
    return ""


deadline = time.monotonic() + 30
while True:
    text = heard()
    if all(expected in text for expected in sys.argv[1:]):
        print(text)
        sys.exit(0)
    if time.monotonic() > deadline:
        print(f"FAIL: the reader hears {text!r}, not {sys.argv[1:]}", file=sys.stderr)
        sys.exit(1)
    time.sleep(0.1)
