"""The play list window's Play plays the file's play list with each entry's own loop count: a 16-bit stereo file
whose play list is a 22050-frame range three times then an 8000-frame range once comes out of the sound server
as exactly those frames back to back, and nothing else. Play pressed again while it plays says "Audio already in
use". Auto-cue then plays from the selected second entry only."""
import os
import struct

import sound
from test_new_and_cues import chunk
from test_play_exact import find_run

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 200
TITLE = "Play List - list.wav"
ENTRIES = [(1, 1000, 22050, 3), (2, 60000, 8000, 1)]  # cue id, position, length, loops


def add_play_list(path):
    with open(path, "rb") as f:
        data = f.read()
    cue = struct.pack("<I", len(ENTRIES)) + b"".join(
        struct.pack("<II4sIII", i, 0, b"data", 0, 0, p) for i, p, _, _ in ENTRIES)
    adtl = b"adtl" + b"".join(chunk("ltxt", struct.pack("<II4sHHHH", i, n, b"rgn ", 0, 0, 0, 0))
                              for i, _, n, _ in ENTRIES)
    plst = struct.pack("<I", len(ENTRIES)) + b"".join(struct.pack("<III", i, n, loops) for i, _, n, loops in ENTRIES)
    body = data[12:] + chunk("cue ", cue) + chunk("LIST", adtl) + chunk("plst", plst)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body)


def expect_sequence(cap, ref, pieces, what):
    """The capture holds ref's frame ranges pieces [(first, count)...] back to back and only silence besides."""
    at = find_run(cap, ref, pieces[0][0], pieces[0][1])
    if at < 0:
        raise AssertionError("%s: the first entry never sounded" % what)
    k = at
    for first, count in pieces:
        for j in range(count):
            got = (cap[2 * (k + j)], cap[2 * (k + j) + 1]) if 2 * (k + j) + 1 < len(cap) else None
            want = (ref[2 * (first + j)], ref[2 * (first + j) + 1])
            if got != want:
                raise AssertionError("%s: frame %d after the start came out as %r, not frame %d %r" % (
                    what, k + j - at, got, first + j, want))
        k += count
    others = [i for i in range(len(cap) // 2) if (i < at or i >= k) and (cap[2 * i] or cap[2 * i + 1])]
    if others:
        raise AssertionError("%s: %d frames of sound outside the play list" % (what, len(others)))


def run(h):
    ref = sound.counter_frames(2 * sound.RATE)
    path = os.path.join(h.files_dir(), "list.wav")
    sound.write_wav(path, ref, 2)
    add_play_list(path)
    h.write_ini("[Settings]\nAutoPlayOnLoad=0\n")
    pulse = sound.Pulse(h)
    try:
        pulse.start()
        cap_path = pulse.capture("list")
        h.start(h.windows_path(path))
        h.drive("wait-window SORN96 60", 'wait-title "list.wav - " 60', "wait-idle 500 60", "command 136",
                'wait-dialog "%s" 30' % TITLE, "wait-idle 300 30",
                'press "%s" 1205' % TITLE, 'press "%s" 1205' % TITLE,
                'answer-box "Sorry" "Audio already in use" OK', 'wait-gone "Sorry"', timeout=80)
        cap = pulse.wait_sound_then_silence(cap_path, 1.5, 60)
        pieces = [(p, n) for _, p, n, loops in ENTRIES for _ in range(loops)]
        expect_sequence(cap, ref, pieces, "the play list")
        h.note("the play list came out exact")
        cap_path = pulse.capture("autocue")
        h.drive('select-items "%s" 1201 1' % TITLE, 'press "%s" 1206' % TITLE, timeout=40)
        cap = pulse.wait_sound_then_silence(cap_path, 1.5, 60)
        expect_sequence(cap, ref, [(ENTRIES[1][1], ENTRIES[1][2])], "Auto-cue from the second entry")
        out = h.drive("close", "wait-exit 60", timeout=70)
        if "exit: 0" not in out:
            raise AssertionError("the program did not end cleanly:\n" + out)
    finally:
        pulse.stop()
