"""/AUTOSAVE: closing saves the changed document without asking; the file on disk then holds the edit."""
import os
import struct
import wave

PLUGINS = ["wavpcm.flt"]


def run(h):
    files = os.path.join(h.dir, "files")
    os.makedirs(files, exist_ok=True)
    path = os.path.join(files, "auto.wav")
    frames = [struct.pack("<hh", i % 1000, -(i % 700)) for i in range(2000)]
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(8000)
        w.writeframes(b"".join(frames))
    prog = h.start(h.windows_path(path), "/REGION:100,50", "/AUTOSAVE", debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog",
            "command 2200", "wait-idle 1000 60", 'expect-title "auto.wav*"',
            "close", "wait-exit 60")
    h.expect_exit(prog, 0)
    with wave.open(path, "rb") as w:
        data = w.readframes(w.getnframes())
    if data != b"".join(frames[:100] + frames[150:]):
        raise AssertionError("the file was not saved with frames 100..149 deleted")
