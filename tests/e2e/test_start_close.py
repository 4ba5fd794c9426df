"""Start-up and shut-down: sorn96.exe started in a fresh prefix shows its main window with the product title, and
closing it exits with code 0 and leaves the settings written at exit in their stored form."""


def run(h):
    prog = h.start(debugstr=True)
    out = h.drive(
        "wait-window SORN96 60",
        "wait-idle 500 60",
        "expect-no-dialog",
        "title",
        "close",
        "wait-exit 60",
    )
    # Product name, a blank, the version text and the suffix, which is empty when it reads "none".
    if "\ntitle: Sorn Edit 96\n" not in out:
        raise AssertionError("the main window title is not exactly \"Sorn Edit 96\"")
    h.expect_exit(prog, 0)
    # The cue and play list windows were never opened, so shut-down has no left-over window to report.
    leftovers = [s for s in prog.debug_strings() if "still up" in s]
    if leftovers:
        raise AssertionError("shut-down reported windows still up: %r" % leftovers)

    ini = h.ini()
    # Display flags 57 (the default) normalise to 49: bits 4 and 5 set, bit 3 cleared.
    h.expect_key(ini, "Settings", "DisplayMode", "49")
    # Options that are always off are written back as "No", whatever was read.
    h.expect_key(ini, "System", "SmoothDelete", "No")
    h.expect_key(ini, "System", "AutoConvertTo32", "No")
    h.expect_key(ini, "Settings", "NT", "No")
    # The window position of the last instance, and the modeless windows that were not open.
    h.expect_int_key(ini, "Size", "XLoc")
    h.expect_int_key(ini, "Size", "YLoc")
    h.expect_key(ini, "Size", "CueList", "0")
    h.expect_key(ini, "Size", "PlayList", "0")
    h.expect_key(ini, "Size", "Analyzer", "0")
    # Empty temporary directories are filled in at start-up (TEMP, upper-cased) and written back; the undo
    # directory copies the first.
    temp = h.key(ini, "Size", "TempOverride")
    if not temp or temp != temp.upper() or h.key(ini, "Settings", "UndoTempDir") != temp:
        raise AssertionError("TempOverride %r / UndoTempDir %r" % (temp, h.key(ini, "Settings", "UndoTempDir")))
