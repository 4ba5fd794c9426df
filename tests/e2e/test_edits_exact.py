"""Edits through WM_COMMAND ids like a user, each on a fresh copy of one file with the selection given by
/REGION:, then Save; the saved samples must equal the same edit computed here with python's wave module,
exactly: Reverse (saved by quick save), Delete, Cut then Paste at the cursor, and Delete then Undo."""
import os
import shutil
import struct
import subprocess
import wave

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 240

START, LENGTH = 700, 300  # the /REGION: selection, in frames


def frames_of(path):
    with wave.open(path, "rb") as w:
        assert w.getsampwidth() == 2 and w.getnchannels() == 2
        data = w.readframes(w.getnframes())
    return [data[i:i + 4] for i in range(0, len(data), 4)]


def run_edit(h, src, name, script, length_changed):
    path = os.path.join(h.dir, "files", name)
    shutil.copy2(src, path)
    prog = h.start(h.windows_path(path), "/REGION:%d,%d" % (START, LENGTH), debugstr=True)
    # Same length: Save is a quick save into the file itself. Otherwise the whole file is written through the
    # filter; the file is smaller than one block, which the edit copied out of it, so nothing maps it any more
    # and no flush question comes (test_save_as and test_edit_save cover that path).
    save = []
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", *script,
            "command 1151", *save,
            "wait-idle 1000 60", "expect-no-dialog", "close", "wait-exit 60", timeout=110)
    h.expect_exit(prog, 0)
    return frames_of(path)


def run(h):
    files = os.path.join(h.dir, "files")
    os.makedirs(files, exist_ok=True)
    src = os.path.join(h.dir, "source.wav")
    with wave.open(src, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(11025)
        w.writeframes(b"".join(struct.pack("<hh", (i * 131) % 60000 - 30000, -((i * 57) % 50000) + 25000)
                               for i in range(3000)))
    orig = frames_of(src)
    sel = slice(START, START + LENGTH)
    cases = [
        ("reverse.wav", ["command 3080", "wait-idle 1000 60"], False,
         orig[:START] + orig[sel][::-1] + orig[START + LENGTH:]),
        ("delete.wav", ["command 2200", "wait-idle 1000 60"], True, orig[:START] + orig[START + LENGTH:]),
        # Cut leaves the cursor at the selection start; Paste puts the frames back there.
        ("cut-paste.wav", ["command 2150", "wait-idle 1000 60", "command 2100", "wait-idle 1000 60"], True, orig),
        ("delete-undo.wav", ["command 2200", "wait-idle 1000 60", "command 102", "wait-idle 1000 60"], True, orig),
    ]
    for name, script, length_changed, want in cases:
        got = run_edit(h, src, name, script, length_changed)
        if got != want:
            raise AssertionError("%s: %d frames saved, %d expected, first difference at %s" % (
                name, len(got), len(want),
                next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))))
        h.note("%s: saved exactly as computed" % name)
