"""Mix Paste at 50% through its dialog equals sox's mix of the same ranges. A stereo range is copied in one run
(the internal clipboard file keeps it), the next run mixes it over another range of the same wave in Overlap
mode with both channels at 50%, and Save writes the result. sox, told not to dither (-D), mixes the two
ranges cut from the original with the same volumes; every sample must agree within 1 LSB, and everything
outside the mixed range must be untouched."""
import os
import shutil
import subprocess

PLUGINS = ["wavpcm.flt"]

RATE = 8000
CLIP_START, DEST_START, COUNT = 900, 4100, 1500


def run(h):
    files = h.files_dir()
    wav = h.synth("two.wav", RATE, 2, "synth", "1", "sine", "330", "sine", "250-900", "vol", "0.45")
    original = os.path.join(files, "original.wav")
    shutil.copy2(wav, original)

    # Run 1: copy the clip range, then leave without changes.
    prog = h.start(h.windows_path(wav), "/REGION:%d,%d" % (CLIP_START, COUNT), debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", "command 2050", "wait-idle 1000 60",
            "expect-no-dialog", "close", "wait-exit 60")
    h.expect_exit(prog, 0)

    # Run 2: mix it at 50% over the destination range, in Overlap mode, from the internal clipboard.
    prog = h.start(h.windows_path(wav), "/REGION:%d,%d" % (DEST_START, COUNT), debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog",
            "command 2110", 'wait-dialog "Mix Paste"',
            'fill "Mix Paste" 2112 "50"', 'fill "Mix Paste" 2115 "50"',
            'press "Mix Paste" 2119', 'press "Mix Paste" 2123',
            'press "Mix Paste" OK', 'wait-gone "Mix Paste"', "wait-idle 1000 60", "expect-no-dialog",
            "command 1151", "wait-idle 1000 60", timeout=100)
    h.drive('answer-box "%s" "flush the virtual file" YES 2' % h.windows_path(wav), check=False)
    h.drive("wait-idle 1000 60", "expect-no-dialog", "close", "wait-exit 60")
    h.expect_exit(prog, 0)

    # sox's mix of the two ranges: destination at unity, clip at 0.5, no dither.
    clip = os.path.join(files, "clip.wav")
    dest = os.path.join(files, "dest.wav")
    subprocess.run(["sox", "-D", original, clip, "trim", "%ds" % CLIP_START, "%ds" % COUNT], check=True)
    subprocess.run(["sox", "-D", original, dest, "trim", "%ds" % DEST_START, "%ds" % COUNT], check=True)
    mixed = h.sox_values("-m", "-v", "1", dest, "-v", "0.5", clip)
    before = h.sox_values(original)
    got = h.sox_values(wav)
    if len(got) != len(before):
        raise AssertionError("the length changed: %d samples, expected %d" % (len(got), len(before)))
    lo, hi = 2 * DEST_START, 2 * (DEST_START + COUNT)
    if got[:lo] != before[:lo] or got[hi:] != before[hi:]:
        raise AssertionError("samples outside the mixed range changed")
    if len(mixed) != hi - lo:
        raise AssertionError("sox mixed %d samples, expected %d" % (len(mixed), hi - lo))
    worst = max(abs(g - m) for g, m in zip(got[lo:hi], mixed))
    if worst > 1:
        raise AssertionError("the mix differs from sox's by up to %d LSB" % worst)
    if got[lo:hi] == before[lo:hi]:
        raise AssertionError("nothing was mixed")
