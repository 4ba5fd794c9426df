"""The recent-files items of the File menu. A wave opened from the command line joins the list; in the next run
its File menu item (14000) opens it again. Once the file has gone, the same item reports that the file cannot be
opened and leaves no document: the title is the product name alone and the program closes without asking."""
import os
import re

PLUGINS = ["wavpcm.flt"]


def run(h):
    wav = h.synth("recent.wav", 8000, 1, "synth", "0.5", "sine", "440")

    prog = h.start(h.windows_path(wav), debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", "expect-title recent.wav",
            "close", "wait-exit 60")
    h.expect_exit(prog, 0)

    # The item opens the file again.
    prog = h.start(debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", "command 14000", "wait-idle 1000 60",
            "expect-no-dialog", "expect-title recent.wav", "close", "wait-exit 60")
    h.expect_exit(prog, 0)

    # Gone: the open fails with a message and no document is left.
    os.remove(wav)
    prog = h.start(debugstr=True)
    out = h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", "command 14000",
                  "wait-idle 1000 60", "list-windows", check=False)
    boxes = re.findall(r'window \S+ class "#32770" title "([^"]*)"[^\n]*\n((?:      .*\n)*)', out)
    if not boxes:
        raise AssertionError("opening a vanished recent file showed no message:\n" + out)
    title, body = boxes[0]
    if "Cannot open" not in body or "recent.wav" not in body or "not found" not in body:
        raise AssertionError("the message does not say the file cannot be found: %r %r" % (title, body))
    h.drive("answer-box \"%s\" \"\" OK" % title, "wait-idle 1000 60", "expect-no-dialog", "title",
            "controls 199 401")
    out = h.drive("title")
    if not re.search(r"title: Sorn Edit( \d+)?\s*$", out, re.M):
        raise AssertionError("a document is left after the failed open:\n" + out)
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
