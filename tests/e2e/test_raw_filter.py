"""A filter written only from the contract (testflt.flt: raw data of unknown format, at most 3 bytes per read)
in the real program: opening its file asks for the format in the raw-PCM dialog, the samples read in pieces
that end inside frames come out whole (the status shows every frame), and Save As, which writes through the
filter the file was read with, gives back exactly the raw bytes."""
import os
import struct

PLUGINS = ["wavpcm.flt", "../testplugins/testflt.flt"]


def run(h):
    files = os.path.join(h.dir, "files")
    os.makedirs(files, exist_ok=True)
    raw = os.path.join(files, "tone.trw")
    frames = 3001  # odd, so 3-byte reads end inside frames all the way through
    data = b"".join(struct.pack("<hh", (i * 37) % 20000 - 10000, (i * 91) % 30000 - 15000) for i in range(frames))
    with open(raw, "wb") as f:
        f.write(data)
    prog = h.start(h.windows_path(raw), debugstr=True)
    h.drive(
        "wait-window SORN96 60",
        'wait-dialog "Open Raw PCM files As" 60',
        'fill "Open Raw PCM files As" 1001 "22050"',
        'press "Open Raw PCM files As" 1004',
        'press "Open Raw PCM files As" 1007',
        'press "Open Raw PCM files As" 1',
        'wait-gone "Open Raw PCM files As" 60',
        # Reading 3 bytes at a time is a long operation under its progress window; the title reads
        # "Loading tone.trw" until it is over.
        'wait-title "tone.trw - " 60',
        'wait-gone "Progress" 60',
        "wait-idle 1000 60",
        "expect-no-dialog",
        timeout=100,
    )
    out = h.drive("title", "list-windows")
    if "title: tone.trw - Sorn Edit" not in out:
        raise AssertionError("the raw file did not open")
    if str(frames) not in out:
        raise AssertionError("the status fields do not show %d samples" % frames)
    copy = os.path.join(files, "copy.trw")
    h.drive("command 1150",
            'wait-dialog "Save Waveform As" 90',
            'fill "Save Waveform As" 1148 "%s"' % h.windows_path(copy),
            'press "Save Waveform As" 1',
            'wait-gone "Save Waveform As" 60',
            'wait-title "copy.trw - " 60',
            'wait-gone "Progress" 60',
            "wait-idle 1000 60", timeout=110)
    with open(copy, "rb") as f:
        got = f.read()
    if got != data:
        raise AssertionError("the saved file has %d bytes, not the %d raw bytes read" % (len(got), len(data)))
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
