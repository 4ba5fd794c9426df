#!/usr/bin/env python3
"""Writes the demo WAV that ./run.sh opens when no file is given: 44.1 kHz, 16-bit, stereo.

A short tune of sine tones with soft attacks and releases, the left and right channels a fifth apart, then a
sweep and a quiet pause, so the waveform and spectral views both have something to show. Deterministic.
    tools/make_demo_wav.py out.wav [seconds]
"""
import math
import os
import struct
import sys
import wave

RATE = 44100
# (frequency of the left channel in Hz, length in seconds); the right channel plays a fifth above.
NOTES = [(261.63, 0.4), (329.63, 0.4), (392.00, 0.4), (523.25, 0.8), (392.00, 0.4), (440.00, 0.4), (349.23, 0.8)]


def envelope(t, length, attack=0.02, release=0.08):
    if t < attack:
        return t / attack
    if t > length - release:
        return max(0.0, (length - t) / release)
    return 1.0


def frames(seconds):
    """Yields (left, right) floats in -1..1 for `seconds` seconds."""
    total = int(seconds * RATE)
    n = 0
    while n < total:
        for freq, length in NOTES:
            count = int(length * RATE)
            for i in range(count):
                if n >= total:
                    return
                t = i / RATE
                e = 0.5 * envelope(t, length)
                yield (e * math.sin(2 * math.pi * freq * t), e * math.sin(2 * math.pi * freq * 1.5 * t))
                n += 1
        # A one-second sweep from 200 Hz to 4 kHz, then a quarter second of near silence.
        phase = 0.0
        count = RATE
        for i in range(count):
            if n >= total:
                return
            f = 200.0 * (20.0 ** (i / count))
            phase += 2 * math.pi * f / RATE
            e = 0.4 * envelope(i / RATE, 1.0)
            yield (e * math.sin(phase), e * math.sin(phase + math.pi / 2))
            n += 1
        for i in range(RATE // 4):
            if n >= total:
                return
            yield (0.0, 0.0)
            n += 1


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: make_demo_wav.py out.wav [seconds]")
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 5.0
    data = bytearray()
    for left, right in frames(seconds):
        data += struct.pack("<hh", int(round(left * 32767)), int(round(right * 32767)))
    tmp = sys.argv[1] + ".tmp"
    with wave.open(tmp, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(data))
    # Replace the old file only once the new one is complete, so an interrupted build leaves no half file.
    os.replace(tmp, sys.argv[1])


if __name__ == "__main__":
    main()
