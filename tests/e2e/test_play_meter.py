"""With [Meter] ShowOnPlay=1 the level meter follows playback: a screenshot taken while a loud tone plays
differs from the one before Play over a good part of the meter's area (its bars are lit), and after Stop the
bars are reset again."""
import os
import re
import subprocess

import sound

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 200


def grab(h, name):
    """The screen as (width, height, rgb bytes)."""
    path = os.path.join(h.dir, name + ".ppm")
    subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:" + path], env=h.env, check=True, timeout=30,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(path, "rb") as f:
        data = f.read()
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
    w, hgt = int(m.group(1)), int(m.group(2))
    return w, hgt, data[m.end():m.end() + w * hgt * 3]


def meter_change(before, during, win, meter):
    """The most pixels that differ inside the meter's rectangle, over the offsets the window's frame may put
    its client area at."""
    w, _, a = before
    c = during[2]
    l, t, r, b = meter
    rows = {}

    def row(y, x0, x1):
        if y not in rows:
            rows[y] = [a[3 * (y * w + x): 3 * (y * w + x) + 3] != c[3 * (y * w + x): 3 * (y * w + x) + 3]
                       for x in range(w)]
        return sum(rows[y][x0:x1])

    best = 0
    for dy in range(0, 90):
        for dx in range(0, 16):
            x0, y0 = win[0] + dx + l, win[1] + dy + t
            best = max(best, sum(row(y, x0, x0 + (r - l)) for y in range(y0, y0 + (b - t))))
    return best


def run(h):
    tone = h.synth("tone.wav", sound.RATE, 2, "synth", "20", "sine", "440", "vol", "0.9")
    h.write_ini("[Settings]\nAutoPlayOnLoad=0\n[Meter]\nShowOnPlay=1\n")
    pulse = sound.Pulse(h)
    try:
        pulse.start()
        prog = h.start(h.windows_path(tone))
        out = h.drive("wait-window SORN96 60", "wait-idle 500 60", 'wait-title "tone.wav - " 60', "wait-idle 500 30",
                      "window-rect", "controls 5030", timeout=90)
        win = [int(v) for v in re.search(r"rect: (-?\d+) (-?\d+) (-?\d+) (-?\d+)", out).groups()]
        m = re.search(r"control 5030 \w+ shown (\d+) (\d+) (\d+) (\d+)", out)
        if not m:
            raise AssertionError("the meter is not shown:\n" + out)
        meter = [int(v) for v in m.groups()]
        before = grab(h, "before")
        h.drive("wait-window SORN96 30", "command 199", "sleep 2000", timeout=40)
        during = grab(h, "during")
        h.drive("wait-window SORN96 30", "command 198", "wait-idle 500 30", "sleep 1000", timeout=40)
        after = grab(h, "after")
        area = (meter[2] - meter[0]) * (meter[3] - meter[1])
        lit = meter_change(before, during, win, meter)
        left = meter_change(before, after, win, meter)
        h.note("meter %s: %d of %d pixels changed while playing, %d after Stop" % (meter, lit, area, left))
        if lit < area // 5:
            raise AssertionError("the meter hardly moved while playing (%d of %d pixels)" % (lit, area))
        if left > area // 20:
            raise AssertionError("the meter was not reset after Stop (%d of %d pixels)" % (left, area))
        out = h.drive("wait-window SORN96 30", "close", "wait-exit 60", timeout=70)
        if "exit: 0" not in out:
            raise AssertionError("the program did not end cleanly:\n" + out)
    finally:
        pulse.stop()
