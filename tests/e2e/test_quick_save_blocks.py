"""Quick Save after an in-place Reverse writes only the blocks the range touches. A 1.3 MB stereo wave opens in
place; a /REGION: range that straddles the first 64 KB block boundary of the sample data is reversed and
Quick Save (392) writes it back into the same file: the file keeps its inode and length, every byte outside the
range is as it was, the range holds the reversed frames exactly, and the program reports two blocks written
(the two the range touches), not the twenty the wave spans."""
import os
import re
import struct
import wave

PLUGINS = ["wavpcm.flt"]

RATE, FRAMES = 8000, 330000  # 1,320,000 bytes of samples: 21 blocks of 65,536
START, LENGTH = 16000, 1000  # bytes 64,000 .. 67,999 of the data: blocks 0 and 1


def run(h):
    files = os.path.join(h.dir, "files")
    os.makedirs(files, exist_ok=True)
    path = os.path.join(files, "long.wav")
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<hh", (i * 97) % 50000 - 25000, (i * 31) % 40000 - 20000)
                               for i in range(FRAMES)))
    with open(path, "rb") as f:
        before = f.read()
    inode = os.stat(path).st_ino
    with wave.open(path, "rb") as w:
        data_offset = len(before) - w.getnframes() * 4

    prog = h.start(h.windows_path(path), "/REGION:%d,%d" % (START, LENGTH), debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog",
            "command 3080", "wait-idle 1000 60", "expect-no-dialog",
            "command 392", "wait-idle 1000 60", "expect-no-dialog", "title", "close", "wait-exit 60", timeout=110)
    h.expect_exit(prog, 0)

    if os.stat(path).st_ino != inode:
        raise AssertionError("Quick Save replaced the file instead of writing into it")
    with open(path, "rb") as f:
        after = f.read()
    if len(after) != len(before):
        raise AssertionError("the file length changed: %d, was %d" % (len(after), len(before)))
    lo, hi = data_offset + START * 4, data_offset + (START + LENGTH) * 4
    if after[:lo] != before[:lo] or after[hi:] != before[hi:]:
        raise AssertionError("bytes outside the reversed range changed")
    frames = [before[i:i + 4] for i in range(lo, hi, 4)]
    if after[lo:hi] != b"".join(frames[::-1]):
        raise AssertionError("the range does not hold the reversed frames")
    written = re.findall(r"quick save: (\d+) blocks written", "".join(prog.debug_strings()))
    if written != ["2"]:
        raise AssertionError("expected one quick save of 2 blocks, the log says %r" % written)
