"""A sox-made WAV named on the command line opens in place and is drawn: the title names the file, the
status fields show its length and the /REGION: selection, the screen shows the waveform colour (0,255,0)
and the selection highlight; the store's temp file stays empty (no sample copied). Screenshots are kept in
the test folder for people to look at."""
import os
import subprocess

PLUGINS = ["wavpcm.flt"]


def colour_counts(h, png, colours):
    raw = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], check=True, stdout=subprocess.PIPE,
                         timeout=60).stdout
    counts = dict.fromkeys(colours, 0)
    for i in range(0, len(raw) - 2, 3):
        c = (raw[i], raw[i + 1], raw[i + 2])
        if c in counts:
            counts[c] += 1
    return counts


def run(h):
    files = h.files_dir()
    wav = h.synth("tone.wav", 44100, 2, "synth", "3", "sine", "440", "vol", "0.8")
    temp = os.path.join(h.dir, "temp")
    os.makedirs(temp)
    h.write_ini("[Size]\nTempOverride=%s\n[Settings]\nUndoTempDir=%s\n" % (h.windows_path(temp),
                                                                            h.windows_path(temp)))
    prog = h.start(h.windows_path(wav), "/REGION:22050,44100", debugstr=True)
    out = h.drive(
        "wait-window SORN96 60",
        "wait-idle 1500 60",
        "expect-no-dialog",
        "title",
    )
    if "title: tone.wav - Sorn Edit" not in out:
        raise AssertionError("the title does not name the opened file")
    # The status fields under the display: length in samples and the selection given by /REGION:.
    out = h.drive("list-windows")
    for text in ("132300", "0:00.500", "0:01.499"):
        if text not in out:
            raise AssertionError("the status fields lack %r" % text)
    shot = h.screenshot("open-display")
    counts = colour_counts(h, shot, [(0, 255, 0), (0, 255, 255)])
    h.note("waveform-colour pixels: %d, highlight pixels: %d" % (counts[(0, 255, 0)], counts[(0, 255, 255)]))
    if counts[(0, 255, 0)] < 200:
        raise AssertionError("the screenshot shows too few waveform pixels (%d)" % counts[(0, 255, 0)])
    # The /REGION: selection (0.5 s to 1.5 s of 3 s) is highlighted.
    if counts[(0, 255, 255)] < 200:
        raise AssertionError("the selection highlight is missing (%d pixels)" % counts[(0, 255, 255)])
    # Zoom to the selection: the highlighted third of the wave now fills the display.
    h.drive("command 401", "wait-idle 1000 60")
    zoomed = colour_counts(h, h.screenshot("zoomed-to-selection"), [(0, 255, 255)])[(0, 255, 255)]
    h.note("highlight pixels after zooming to the selection: %d" % zoomed)
    if zoomed < 2 * counts[(0, 255, 255)]:
        raise AssertionError("zooming to the selection did not widen the highlight (%d -> %d pixels)"
                             % (counts[(0, 255, 255)], zoomed))
    # Opened in place: nothing was copied into the store's temp files.
    sizes = [os.path.getsize(os.path.join(temp, n)) for n in os.listdir(temp)]
    h.note("temp files: %r" % sizes)
    if any(sizes):
        raise AssertionError("samples were copied into the temp files: %r" % sizes)
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
