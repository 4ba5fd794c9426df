"""Commands that act on the current document do nothing without one: no message box, no crash, and the program
still closes normally. Covers the editing, selection, cursor, zoom and edit-channel commands, transform ids with
no transform behind them, and the private script, batch and store messages arriving when nothing waits for them."""

COMMANDS = [
    115, 312, 134, 2200, 2210, 3080, 3100, 3140, 2150,   # select all, zero cross, delete, trim, edits, cut
    253, 254, 104, 105, 106, 107, 324, 325, 326, 327,     # selection and cursor moves
    365, 366, 367, 387, 369, 370, 371, 372, 382, 390, 391, 195, 196, 197, 401,  # zoom and scroll
    340, 341, 342, 1001, 1002,                            # edit channel
    351, 352, 353, 354, 378, 379, 380, 385,               # time format, vertical scale
    7000, 7999, 8999,                                     # transform ids without a transform
]
MESSAGES = [1801, 1802, 1651]


def run(h):
    prog = h.start()
    script = ["wait-window SORN96 60", "wait-idle 300 60"]
    script += ["command %d" % c for c in COMMANDS]
    script += ["post %d" % m for m in MESSAGES]
    script += ["wait-idle 1000 60", "expect-no-dialog", 'expect-title "Sorn Edit 96"', "close", "wait-exit 60"]
    h.drive(*script)
    h.expect_exit(prog, 0)
