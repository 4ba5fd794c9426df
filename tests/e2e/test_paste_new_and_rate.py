"""A Paste with no document makes an "Untitled" wave in the clip's format, equal to the clip (copied in an
earlier run through the internal clipboard file). Adjust Sample Rate then changes the rate in the saved header
and leaves every sample bit for bit as it was (checked with sox); its Undo brings the old rate back."""
import os
import struct
import wave

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 300


def write_wave(path, rate, frames):
    with wave.open(path, "wb") as f:
        f.setnchannels(2)
        f.setsampwidth(2)
        f.setframerate(rate)
        f.writeframes(b"".join(frames))


def read_wave(path):
    with wave.open(path, "rb") as f:
        return f.getframerate(), f.getnchannels(), f.getsampwidth(), f.readframes(f.getnframes())


def run(h):
    files = h.files_dir()
    src = os.path.join(files, "source.wav")
    frames = [struct.pack("<hh", (i * 37) % 20000 - 10000, -((i * 23) % 15000)) for i in range(3000)]
    write_wave(src, 22050, frames)
    clip = b"".join(frames[500:1700])

    prog = h.start(h.windows_path(src), "/REGION:500,1200", debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "command 2050", "wait-idle 1000 60", "expect-no-dialog",
            "close", "wait-exit 60")
    h.expect_exit(prog, 0)

    pasted = os.path.join(files, "pasted.wav")
    prog = h.start(debugstr=True)
    out = h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", "command 2100",
                  "wait-title Untitled 60", "wait-idle 1000 60", "expect-no-dialog", "list-windows",
                  "command 1150", 'wait-dialog "Save Waveform As" 150',
                  'fill "Save Waveform As" 1148 "%s"' % h.windows_path(pasted), 'press "Save Waveform As" 1',
                  'wait-gone "Save Waveform As" 60', "wait-idle 1000 60", "expect-no-dialog", timeout=180)
    if " 1200 Samples" not in out:
        raise AssertionError("the pasted wave is not 1200 samples long:\n" + out)
    rate, channels, width, data = read_wave(pasted)
    if (rate, channels, width) != (22050, 2, 2) or data != clip:
        raise AssertionError("the new wave is not the clip: %d Hz, %d channels, %d bytes a sample, %d bytes"
                             % (rate, channels, width, len(data)))
    h.note("Paste without a document: an Untitled wave equal to the clip")
    before = h.sox_samples(pasted)

    h.drive("command 109", 'wait-dialog "Adjust Sample Rate" 30', 'fill "Adjust Sample Rate" 1001 "11025"',
            'press "Adjust Sample Rate" 1', 'wait-gone "Adjust Sample Rate" 30', "wait-idle 1000 60",
            "expect-no-dialog", "command 1151", "wait-idle 1000 60", "expect-no-dialog", timeout=180)
    rate, channels, width, data = read_wave(pasted)
    if rate != 11025 or (channels, width) != (2, 2):
        raise AssertionError("after Adjust Sample Rate the header says %d Hz, %d channels" % (rate, channels))
    if data != clip or h.sox_samples(pasted) != before:
        raise AssertionError("Adjust Sample Rate changed the samples")
    h.note("Adjust Sample Rate: 11025 Hz in the header, the samples bit-identical")

    h.drive("command 102", "wait-idle 1000 60", "command 1151", "wait-idle 1000 60", "expect-no-dialog",
            timeout=180)
    rate, _, _, data = read_wave(pasted)
    if rate != 22050 or data != clip:
        raise AssertionError("Undo did not bring back 22050 Hz with the same samples (%d Hz)" % rate)
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
