#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Waits until a raw recording (s16le, mono, 16 kHz, growing as parec writes
# it) holds speech after a byte offset, then until it falls silent again;
# prints the offset where it did. Fails after 30 s without speech.
#   speech.py RECORDING OFFSET
import array
import sys
import time

RATE = 16000
WINDOW = RATE // 50 * 2  # 20 ms, in bytes
LOUD = 500  # RMS of speech; the null sink's silence is 0
QUIET_WINDOWS = 25  # half a second of silence ends it

path, offset = sys.argv[1], int(sys.argv[2])
offset -= offset % 2
deadline = time.monotonic() + 30
heard = False
quiet = 0
while time.monotonic() < deadline:
    with open(path, "rb") as f:
        f.seek(offset)
        data = f.read()
    windows = len(data) // WINDOW
    for i in range(windows):
        samples = array.array("h", data[i * WINDOW:(i + 1) * WINDOW])
        rms = (sum(s * s for s in samples) / len(samples)) ** 0.5
        offset += WINDOW
        if rms >= LOUD:
            heard, quiet = True, 0
        elif heard:
            quiet += 1
            if quiet >= QUIET_WINDOWS:
                print(offset)
                sys.exit(0)
    time.sleep(0.05)
print("no speech" if not heard else "speech never ended", file=sys.stderr)
sys.exit(1)
