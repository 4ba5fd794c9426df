"""Recording: a known signal played with pacat into a null sink whose monitor is the recording source lands
in a silent 16-bit stereo file opened with /REGION:0,44100 /AUTOSAVE. Record asks before replacing the
selected samples, stops by itself after exactly the selection's 44100 frames, and the file saved on close
holds the signal there (normalised cross-correlation peak at least 0.99) and its old silence after it."""
import os
import subprocess

import sound

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 200
FILE_FRAMES = 3 * sound.RATE
LIMIT = sound.RATE

CHECK = r"""
import sys, wave
import numpy as np
rec_path, sig_path, limit = sys.argv[1], sys.argv[2], int(sys.argv[3])
with wave.open(rec_path, "rb") as w:
    assert w.getnchannels() == 2 and w.getsampwidth() == 2, "format changed"
    frames = w.getnframes()
    rec = np.frombuffer(w.readframes(frames), dtype="<i2").reshape(-1, 2).astype(np.float64)
sig = np.fromfile(sig_path, dtype="<i2").reshape(-1, 2).astype(np.float64)
print("frames", frames)
tail = rec[limit:]
print("after", int(np.count_nonzero(tail)))
part = rec[:limit]
# The recorded second's place in the fed signal, by cross-correlation of the left channels (FFT).
n = 1
while n < len(sig) + limit: n *= 2
c = np.fft.irfft(np.fft.rfft(sig[:, 0], n) * np.conj(np.fft.rfft(part[:, 0], n)), n)
lag = int(np.argmax(c[: len(sig) - limit + 1]))
ref = sig[lag: lag + limit]
peak = min(float(np.dot(part[:, k], ref[:, k]) / (np.linalg.norm(part[:, k]) * np.linalg.norm(ref[:, k]) + 1e-9))
           for k in range(2))
print("lag", lag, "peak", peak)
"""


def run(h):
    # The file recorded into: three seconds of silence.
    path = os.path.join(h.files_dir(), "blank.wav")
    sound.write_wav(path, sound.values(bytes(FILE_FRAMES * 4)), 2)
    # The signal: thirty seconds of noise (it must outlast the driver's start), different on each channel, at a moderate level.
    sig_path = os.path.join(h.files_dir(), "signal.raw")
    subprocess.run(["sox", "-n", "-r", str(sound.RATE), "-b", "16", "-c", "2", "-e", "signed-integer", "-t", "raw",
                    sig_path, "synth", "30", "whitenoise", "vol", "0.3"], check=True, timeout=60)
    h.write_ini("[Settings]\nAutoPlayOnLoad=0\n")
    pulse = sound.Pulse(h)
    try:
        pulse.start()
        prog = h.start(h.windows_path(path), "/REGION:0,%d" % LIMIT, "/AUTOSAVE", debugstr=True)
        h.drive("wait-window SORN96 60", 'wait-title "blank.wav - " 60', "wait-idle 500 60", timeout=70)
        pulse.feed(sig_path)
        out = h.drive("sleep 1500", "command 194",
                      'answer-box "Record" "Recording will replace 44100 samples" YES 30',
                      "sleep 5000", "controls 199 198 194", "close", "wait-exit 60", timeout=90)
        if "exit: 0" not in out:
            raise AssertionError("the program did not end cleanly:\n" + out)
        if "control 198 disabled" not in out:
            raise AssertionError("the recording had not stopped by itself:\n" + out)
        r = subprocess.run(["/usr/bin/python3", "-c", CHECK, path, sig_path, str(LIMIT)], stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, timeout=120)
        text = r.stdout.decode()
        h.note("check:\n" + text)
        if r.returncode != 0:
            raise AssertionError("the check failed:\n" + text)
        vals = dict(line.split(" ", 1) for line in text.strip().split("\n"))
        if int(vals["frames"]) != FILE_FRAMES:
            raise AssertionError("the file has %s frames, not %d" % (vals["frames"], FILE_FRAMES))
        if int(vals["after"]) != 0:
            raise AssertionError("%s samples after the selection changed" % vals["after"])
        peak = float(vals["lag"].split()[-1])
        if peak < 0.99:
            raise AssertionError("the recorded second matches the signal only to %.4f" % peak)
        h.note("recorded: %s" % [l for l in prog.debug_strings() if l.startswith("Record")])
    finally:
        pulse.stop()
