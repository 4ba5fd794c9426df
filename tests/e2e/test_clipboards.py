"""The clipboards in the real program: a Copy in one run is pasted in the next (the internal clipboard file
outlives the program), and a Windows-clipboard copy pastes back identically, its Undo restoring the length.
Each result is saved and compared exactly with the edit computed here."""
import os
import struct
import wave

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 200


def write_wave(path, frames):
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(11025)
        w.writeframes(b"".join(frames))


def read_frames(path):
    with wave.open(path, "rb") as w:
        data = w.readframes(w.getnframes())
    return [data[i:i + 4] for i in range(0, len(data), 4)]


def run(h):
    files = os.path.join(h.dir, "files")
    os.makedirs(files, exist_ok=True)
    a = os.path.join(files, "a.wav")
    b = os.path.join(files, "b.wav")
    fa = [struct.pack("<hh", (i * 17) % 9000, -((i * 29) % 7000)) for i in range(1500)]
    fb = [struct.pack("<hh", -((i * 13) % 5000), (i * 7) % 3000) for i in range(2500)]
    write_wave(a, fa)
    write_wave(b, fb)

    # Run 1: copy frames 200..399 of a.wav and quit.
    prog = h.start(h.windows_path(a), "/REGION:200,200", debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "command 2050", "wait-idle 1000 60",
            "expect-no-dialog", "close", "wait-exit 60")
    h.expect_exit(prog, 0)

    # Run 2: paste over frames 1000..1009 of b.wav; save.
    prog = h.start(h.windows_path(b), "/REGION:1000,10", debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "command 2100", "wait-idle 1000 60",
            "expect-no-dialog", "command 1151", "wait-idle 1000 60", "expect-no-dialog", timeout=110)
    want = fb[:1000] + fa[200:400] + fb[1010:]
    got = read_frames(b)
    if got != want:
        raise AssertionError("the paste from the previous run's copy is wrong (%d frames, %d expected)"
                             % (len(got), len(want)))
    h.note("copy in one run, paste in the next: exact")
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)

    # Run 3: the Windows clipboard. Copy frames 300..349, select the whole wave and paste: 50 frames remain,
    # exactly the copied ones; Undo brings back all 1500 and the saved file is the original.
    prog = h.start(h.windows_path(a), "/REGION:300,50", debugstr=True)
    out = h.drive("wait-window SORN96 60", "wait-idle 1000 60", "command 377", "wait-idle 1000 60",
                  "command 115", "command 415", "wait-idle 1000 60", "expect-no-dialog", "list-windows",
                  timeout=110)
    if " 50 Samples" not in out:
        raise AssertionError("after pasting the Windows clipboard over the whole wave it is not 50 samples long")
    pasted = os.path.join(files, "pasted.wav")
    h.drive("command 1150", 'wait-dialog "Save Waveform As" 90', 'fill "Save Waveform As" 1148 "%s"'
            % h.windows_path(pasted), 'press "Save Waveform As" 1', 'wait-gone "Save Waveform As" 60',
            "wait-idle 1000 60", timeout=110)
    if read_frames(pasted) != fa[300:350]:
        raise AssertionError("the Windows-clipboard paste is not the copied frames")
    out = h.drive("command 102", "wait-idle 1000 60", "list-windows", "command 1151", "wait-idle 1000 60",
                  "expect-no-dialog", timeout=110)
    if " 1500 Samples" not in out:
        raise AssertionError("Undo did not bring back the 1500 samples")
    if read_frames(pasted) != fa:
        raise AssertionError("after Undo the saved wave is not the original")
    h.note("Windows clipboard: pasted exactly, and Undo restored the length")
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
