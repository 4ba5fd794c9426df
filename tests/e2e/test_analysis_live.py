"""The analysis window follows playback: with [Size] Analyzer=1 it opens by itself at start over the file named
on the command line, and with a 512-point transform the play tick sends it the play position. A file of 2 s at
440 Hz and then 3000 Hz, played into a private PulseAudio sink, gives live spectra whose peak is at 440 Hz
while the first part plays and at 3000 Hz later."""
import array
import os
import re

import sound

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 200


def two_tones(path):
    a = array.array("h")
    import math
    for i in range(int(8 * sound.RATE)):
        f = 440.0 if i < 2 * sound.RATE else 3000.0
        a.append(int(round(16000 * math.sin(2 * math.pi * f * i / sound.RATE))))
    sound.write_wav(path, a, 1)


def run(h):
    path = os.path.join(h.files_dir(), "live.wav")
    two_tones(path)
    h.write_ini("[Settings]\nAutoPlayOnLoad=0\n[Size]\nAnalyzer=1\n[System]\nAnalysisSize=512\n")
    pulse = sound.Pulse(h)
    try:
        pulse.start()
        prog = h.start(h.windows_path(path), debugstr=True)
        out = h.drive("wait-window SORN96 60", 'wait-dialog "Analysis - live.wav" 60', "wait-idle 1000 60",
                      "list-windows", timeout=90)
        if not re.search(r'id 1503 +"512"', out):
            raise AssertionError("the window does not show the size 512 from the settings")
        h.drive("wait-window SORN96 30", "command 199", "sleep 7000", "command 198", "wait-idle 1000 60",
                timeout=60)
        # Under the emulator Wine can die after a PulseAudio run once the program has ended: the exit code is
        # the one the driver reads.
        out = h.drive("wait-window SORN96 30", "close", "wait-exit 60", timeout=70)
        if "exit: 0" not in out:
            raise AssertionError("the program did not exit with 0")
    finally:
        pulse.stop()
    debug = prog.debug_strings()
    live = []
    position = None
    for line in debug:
        m = re.search(r"Analysis: live at (\d+)", line)
        if m:
            position = int(m.group(1))
            continue
        m = re.search(r"Analysis: live channel 0 N=512 window 5 peak (-?[0-9.]+) dB at ([0-9.]+) Hz", line)
        if m and position is not None:
            live.append((position, float(m.group(2))))
            position = None
    h.note("live peaks (position, Hz): %r" % live)
    early = [f for p, f in live if 1024 < p < int(1.8 * sound.RATE)]
    late = [f for p, f in live if p > int(2.5 * sound.RATE)]
    if not early or not late:
        raise AssertionError("too few live updates in both parts: %r" % live)
    if any(abs(f - 440) > 90 for f in early):
        raise AssertionError("live peaks in the 440 Hz part: %r" % early)
    if any(abs(f - 3000) > 90 for f in late):
        raise AssertionError("live peaks in the 3000 Hz part: %r" % late)
    if [p for p, _ in live] != sorted(p for p, _ in live):
        raise AssertionError("the live positions do not move forward: %r" % live)
    # Before Play the window analysed the cursor precisely.
    if not any("Analysis: precise channel 0 N=512" in l for l in debug):
        raise AssertionError("no precise analysis at the start")
