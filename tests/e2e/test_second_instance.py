"""First-instance placement: the first instance opens at [Size] XLoc, YLoc; a second instance started while the
first runs opens at the system's default position instead. Closing the second leaves the position alone; closing
the first, the last one, writes its position back. The seeded settings come back normalised."""
import re


def rect(out):
    m = re.findall(r"^rect: (-?\d+) (-?\d+) (-?\d+) (-?\d+)", out, re.M)
    assert m, out
    return tuple(int(v) for v in m[-1])


def run(h):
    # Besides the position, values the program must normalise when it reads them and write back in their
    # normal form at exit.
    h.write_ini("[Size]\nXLoc=200\nYLoc=150\n[Settings]\nDisplayMode=2\n"
                "[System]\nNumBuffers=1\nSmoothDelete=Yes\nAutoConvertTo32=YES\n")
    first = h.start()
    out = h.drive("wait-window SORN96 60", "wait-idle 300 60", "window-rect")
    left, top = rect(out)[:2]
    if (left, top) != (200, 150):
        raise AssertionError("first instance at %d,%d, expected 200,150" % (left, top))

    second = h.start()
    # The second one leaves through File/Exit, the first through the close box.
    out = h.drive("wait-window SORN96 60 2", "wait-idle 300 60", "expect-no-dialog", "window-rect", "command 1250",
                  "wait-exit 60")
    if rect(out)[:2] == (200, 150):
        raise AssertionError("second instance placed at the first instance's saved position")
    h.expect_exit(second, 0)
    ini = h.ini()
    h.expect_key(ini, "Size", "XLoc", "200")
    h.expect_key(ini, "Size", "YLoc", "150")

    # The first instance is the last one: closing it stores its position.
    h.drive("close", "wait-exit 60")
    h.expect_exit(first, 0)
    ini = h.ini()
    h.expect_key(ini, "Size", "XLoc", "200")
    h.expect_key(ini, "Size", "YLoc", "150")
    # Spectral view (bit 1) keeps bit 0 clear; bits 4 and 5 are always set: 2 → 50.
    h.expect_key(ini, "Settings", "DisplayMode", "50")
    h.expect_key(ini, "System", "NumBuffers", "2")
    h.expect_key(ini, "System", "SmoothDelete", "No")
    h.expect_key(ini, "System", "AutoConvertTo32", "No")
