"""A 100 MB 16-bit stereo WAV named on the command line opens in place: the store's temp files stay empty
(no sample is copied, only read for the peak scan), and Save As to a new name writes a file whose samples
sox reads as the original's."""
import hashlib
import os
import subprocess

PLUGINS = ["wavpcm.flt"]
# Opening scans 100 MB for the peaks and Save As copies it: slow under the emulator.
E2E_TIMEOUT = 260


def samples_digest(path):
    h = hashlib.sha256()
    p = subprocess.Popen(["sox", "-D", path, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L", "-"],
                         stdout=subprocess.PIPE)
    for block in iter(lambda: p.stdout.read(1 << 20), b""):
        h.update(block)
    if p.wait() != 0:
        raise AssertionError("sox could not read %s" % path)
    return h.hexdigest()


def run(h):
    files = h.files_dir()
    # 600 s of 44.1 kHz 16-bit stereo: 105,840,044 bytes.
    big = h.synth("big.wav", 44100, 2, "synth", "600", "sine", "100-2000", "vol", "0.5")
    if os.path.getsize(big) < 100 * 1000 * 1000:
        raise AssertionError("the test file is smaller than 100 MB")
    temp = os.path.join(h.dir, "temp")
    os.makedirs(temp)
    h.write_ini("[Size]\nTempOverride=%s\n[Settings]\nUndoTempDir=%s\n" % (h.windows_path(temp),
                                                                            h.windows_path(temp)))
    prog = h.start(h.windows_path(big), debugstr=True)
    out = h.drive("wait-window SORN96 60", "wait-idle 1500 90", "expect-no-dialog", "title", timeout=100)
    if "title: big.wav - Sorn Edit" not in out:
        raise AssertionError("the title does not name the opened file")
    sizes = [os.path.getsize(os.path.join(temp, n)) for n in os.listdir(temp)]
    h.note("temp files after opening: %r" % sizes)
    if any(sizes):
        raise AssertionError("samples were copied into the temp files: %r" % sizes)

    copy = os.path.join(files, "copy.wav")
    h.drive("command 1150",
            'wait-dialog "Save Waveform As" 100',  # Wine's file dialog fills slowly on a loaded machine
            'fill "Save Waveform As" 1148 "%s"' % h.windows_path(copy),
            'press "Save Waveform As" 1',
            'wait-gone "Save Waveform As" 60',
            # The title reads "Saving copy.wav" until the save is over; the progress window may show late.
            'wait-title "copy.wav - " 150',
            'wait-gone "Progress" 60',
            "wait-idle 1500 60", "expect-no-dialog", timeout=230)
    if samples_digest(copy) != samples_digest(big):
        raise AssertionError("the saved copy's samples differ from the original's")
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
