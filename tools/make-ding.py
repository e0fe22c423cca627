#!/usr/bin/env python3
"""Writes resources/ding.wav: the alarm sound, a short bell-like ding.

0.4 s of 22050 Hz mono 16-bit PCM: a 1318.5 Hz tone (E6) with a soft octave-and-a-fifth partial,
a 4 ms rise so it starts without a click, and an exponential decay that fades out to silence by
the end. Run from the repository root: python3 tools/make-ding.py
"""
import math
import os
import struct
import wave

RATE = 22050
DURATION = 0.4
FUNDAMENTAL = 1318.5
PARTIALS = [(1.0, 1.0, 9.0), (3.0, 0.18, 16.0), (2.0, 0.08, 12.0)]  # ratio, level, decay per s
ATTACK = 0.004
PEAK = 0.6


def sample(t):
    value = 0.0
    for ratio, level, decay in PARTIALS:
        value += level * math.exp(-decay * t) * math.sin(2 * math.pi * FUNDAMENTAL * ratio * t)
    envelope = min(1.0, t / ATTACK)
    # The last 40 ms fade to zero so the sound ends without a click.
    tail = DURATION - t
    if tail < 0.04:
        envelope *= max(0.0, tail / 0.04)
    return envelope * value


def main():
    count = int(RATE * DURATION)
    raw = [sample(i / RATE) for i in range(count)]
    scale = PEAK / max(abs(v) for v in raw)
    frames = b"".join(struct.pack("<h", int(round(v * scale * 32767))) for v in raw)
    here = os.path.dirname(os.path.abspath(__file__))
    path = os.path.join(here, "..", "resources", "ding.wav")
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


if __name__ == "__main__":
    main()
