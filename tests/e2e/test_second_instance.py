"""First-instance placement: the first instance opens at [Size] XLoc, YLoc; a second instance (File/New Instance)
opens at the system's default position instead. The position is written back only by the last instance and only
from the normal window state, so neither the second instance nor the minimised first one changes it. The seeded
settings come back normalised."""
import re


def run(h):
    # Besides the position, values the program must normalise when it reads them and write back in their
    # normal form at exit.
    h.write_ini("[Size]\nXLoc=200\nYLoc=150\n[Settings]\nDisplayMode=2\n"
                "[System]\nNumBuffers=1\nSmoothDelete=Yes\nAutoConvertTo32=YES\n")
    first = h.start()
    # One driver script, as Wine starts are slow: File/New Instance starts the second instance, which leaves
    # through File/Exit while the first still runs; then the first is minimised and closed.
    out = h.drive(
        "wait-window SORN96 60", "wait-idle 300 60", "window-rect",
        "command 1051", "wait-window SORN96 60 2", "wait-idle 300 60", "expect-no-dialog", "window-rect",
        "command 1250", "wait-exit 60",
        "wait-window SORN96 10", "post 274 61472",  # WM_SYSCOMMAND SC_MINIMIZE
        "wait-idle 300 60", "window-rect", "close", "wait-exit 60")
    rects = re.findall(r"^rect: (-?\d+) (-?\d+) ", out, re.M)
    if len(rects) != 3 or not re.search(r"^rect: .* minimized$", out, re.M):
        raise AssertionError("expected three window positions, the last one minimised")
    if rects[0] != ("200", "150"):
        raise AssertionError("first instance at %s,%s, expected 200,150" % rects[0])
    if rects[1] == ("200", "150"):
        raise AssertionError("second instance placed at the first instance's saved position")
    if out.count("\nexit: 0\n") != 2:
        raise AssertionError("both instances must exit with 0")
    h.expect_exit(first, 0)

    ini = h.ini()
    # Neither the second instance (another one was open) nor the minimised first wrote its position.
    h.expect_key(ini, "Size", "XLoc", "200")
    h.expect_key(ini, "Size", "YLoc", "150")
    # Spectral view (bit 1) keeps bit 0 clear; bits 4 and 5 are always set: 2 → 50.
    h.expect_key(ini, "Settings", "DisplayMode", "50")
    h.expect_key(ini, "System", "NumBuffers", "2")
    h.expect_key(ini, "System", "SmoothDelete", "No")
    h.expect_key(ini, "System", "AutoConvertTo32", "No")
