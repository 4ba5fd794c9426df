"""Editing in the real program: a /REGION: selection is cut (the title gets its "*"), Save writes the file
the samples are still mapped from (the flush question comes first), and the saved file equals sox's view
of the original without the cut frames. Undo then brings the frames back, and closing asks to save."""
import os
import shutil

PLUGINS = ["wavpcm.flt"]


def run(h):
    orig = h.synth("edit.wav", 22050, 2, "synth", "2", "sine", "300-900", "sine", "200", "vol", "0.7")
    reference = os.path.join(h.dir, "reference.wav")
    shutil.copy2(orig, reference)
    before = h.sox_samples(reference)
    # Frames 1000 .. 1499 (4 bytes each) cut out.
    want = before[:1000 * 4] + before[1500 * 4:]

    prog = h.start(h.windows_path(orig), "/REGION:1000,500", debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog")
    out = h.drive("command 2150", "wait-idle 1000 60", "expect-no-dialog", "title")
    if "title: edit.wav* - Sorn Edit" not in out:
        raise AssertionError("after Cut the title does not show the change")
    h.drive("command 1151",
            'answer-box "%s" "flush the virtual file" YES 90' % h.windows_path(orig),
            "wait-idle 1000 90", "expect-no-dialog", timeout=110)
    got = h.sox_samples(orig)
    if got != want:
        raise AssertionError("the saved file is not the original without frames 1000..1499 (%d vs %d bytes)"
                             % (len(got), len(want)))
    out = h.drive("title", "command 102", "wait-idle 1000 60", "title")
    if "title: edit.wav - Sorn Edit" not in out or "title: edit.wav* - Sorn Edit" not in out:
        raise AssertionError("the title did not follow Save and Undo")
    # The undone cut is unsaved: closing asks, and No leaves the file as saved.
    h.drive("close", 'answer-box "Current file not saved" "Save changes to" NO 60', "wait-exit 60")
    h.expect_exit(prog, 0)
    if h.sox_samples(orig) != want:
        raise AssertionError("answering No changed the file")
