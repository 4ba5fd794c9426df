"""Saving a file opened in place: onto the file itself the sharing-violation question comes, and after Yes
the file is written correctly although its samples were mapped from it; Save As to a new name gives a copy
with the original's samples (read back by sox) and names the document after it."""
import os
import shutil

PLUGINS = ["wavpcm.flt"]


def save_as(h, target, *extra):
    return h.drive(
        "command 1150",
        'wait-dialog "Save Waveform As" 90',
        'fill "Save Waveform As" 1148 "%s"' % target,
        'press "Save Waveform As" 1',
        *extra,
        'wait-gone "Save Waveform As" 60',
        "wait-idle 1000 90",
        "expect-no-dialog",
        "title",
        timeout=110,
    )


def run(h):
    files = h.files_dir()
    orig = h.synth("orig.wav", 22050, 2, "synth", "2", "sine", "300-900", "sine", "200", "vol", "0.7")
    reference = os.path.join(h.dir, "reference.wav")
    shutil.copy2(orig, reference)
    want = h.sox_samples(reference)

    prog = h.start(h.windows_path(orig), debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog")

    # Save writes the document onto its own file, whose samples it still maps: the file is in use, and the
    # question to flush the virtual file comes first.
    h.drive("command 1151",
            'answer-box "%s" "flush the virtual file" YES 90' % h.windows_path(orig),
            "wait-idle 1000 90", "expect-no-dialog", timeout=110)
    if h.sox_samples(orig) != want:
        raise AssertionError("saving onto the mapped file changed its samples")

    copy = os.path.join(files, "copy.wav")
    out = save_as(h, h.windows_path(copy))
    if not os.path.exists(copy) or h.sox_samples(copy) != want:
        raise AssertionError("the copy's samples differ from the original's")
    if "title: copy.wav - Sorn Edit" not in out:
        raise AssertionError("after Save As the title does not name the copy")
    boxes = [s for s in prog.debug_strings() if s.startswith("msgbox:")]
    h.note("boxes: %r" % boxes)
    if not any("flush the virtual file" in b for b in boxes):
        raise AssertionError("no sharing-violation question was shown")
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
