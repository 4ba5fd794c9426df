"""Opening a 353 MB wave without its peak file scans it for peaks with the progress window up ("Scanning
File..."); Stop in that window ends the scan early, and the document stays open with its view usable:
selecting everything, zooming in and out and closing work with no further dialog, and the program exits 0."""
import os
import re
import time

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 300


def run(h):
    # 2000 s of 44.1 kHz 16-bit stereo: 352,800,044 bytes, made in this test's own folder.
    big = h.synth("big.wav", 44100, 2, "synth", "2000", "sine", "100-2000", "vol", "0.5")
    if os.path.getsize(big) < 350 * 1000 * 1000:
        raise AssertionError("the test file is smaller than 350 MB")
    prog = h.start(h.windows_path(big), debugstr=True)
    started = time.time()
    out = h.drive("wait-window SORN96 60", 'wait-dialog "Progress" 90', "sleep 500", "list-windows",
                  'press "Progress" 2 30', 'wait-gone "Progress" 60', 'wait-title "big.wav - " 60',
                  "wait-idle 1000 60", "expect-no-dialog", timeout=200)
    h.note("stopped %.1f s after the start" % (time.time() - started))
    if "Scanning File..." not in out:
        raise AssertionError("the progress window did not say \"Scanning File...\"")
    shown = re.search(r'id 121 +" *(\d+) %"', out)
    if not shown or int(shown.group(1)) >= 100:
        raise AssertionError("the scan was not under way when Stop was pressed")
    h.note("stopped at %s %%" % shown.group(1))
    # The view works on the part scanned and beyond: select all, zoom in and out, all without a dialog.
    out = h.drive("command 115", "wait-idle 1000 60", "expect-no-dialog", "click 197", "wait-idle 1000 60",
                  "click 196", "wait-idle 1000 60", "click 195", "wait-idle 1000 60", "expect-no-dialog", "title",
                  "close", "wait-exit 60", timeout=200)
    if "title: big.wav - Sorn Edit" not in out:
        raise AssertionError("the document is not open as it was")
    h.expect_exit(prog, 0)
