"""The toolbar along the top of the main window: a first start writes [NewToolbar] in the default order; a click on
"Cue List" opens the cue list; pressing "File New" and letting go outside it does nothing; a greyed button ("Edit
Undo" without a document) takes no press at all. In "Toolbar Settings" (command 355), Zap on "Edit Undo" and OK
move it to the end of the stored order, with the count unchanged."""
import re

TOOLBAR_SETTINGS = 355
LIST, ZAP, OK = 1301, 1304, 1
WM_LBUTTONDOWN, WM_LBUTTONUP = 0x201, 0x202
DISPLAY = 360

DEFAULT_ORDER = [
    "File New", "File Open", "File Save", "File Save Selection", "File New Instance", "[Space]", "Reverse",
    "Silence", "Invert", "Music", "[Space]", "Generate Silence", "[Space]", "CD Player", "Help", "Loop",
    "Monitor VU Level", "Settings", "Frequency Analysis", "Info", "Scripts", "Cue List", "Play List", "[Space]",
    "Edit Undo", "Edit Trim", "Edit Delete", "Edit Copy", "Edit Cut", "Edit Paste", "Edit Paste Special",
    "Edit Left Channel", "Edit Right Channel", "Edit Both Channels", "Edit Spectral/Wave View", "Edit Zero Cross",
    "[Space]", "[Space]", "[Space]", "[Space]",
]


def stored_order(h):
    ini = h.ini()
    count = h.expect_int_key(ini, "NewToolbar", "Count")
    h.expect_key(ini, "NewToolbar", "Version", "96")
    return [h.key(ini, "NewToolbar", "Item%d" % n) for n in range(1, count + 1)]


def button_left(order, name, width):
    """Where the row puts a button: x from 6, 25 per button, 8 per spacer; hidden past width - 6."""
    x = 6
    for item in order:
        if item == "[Space]":
            x += 8
            continue
        if x > width - 6:
            return None
        if item == name:
            return x
        x += 25
    return None


def click_at(x, y, up_x=None, up_y=None):
    down = (y << 16) | x
    up = ((y if up_y is None else up_y) << 16) | (x if up_x is None else up_x)
    return ["post %d 1 %d" % (WM_LBUTTONDOWN, down), "post %d 0 %d" % (WM_LBUTTONUP, up)]


def run(h):
    prog = h.start(debugstr=True)
    out = h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", "controls %d" % DISPLAY)
    h.screenshot("toolbar")
    order = stored_order(h)
    if order != DEFAULT_ORDER:
        raise AssertionError("first start stored %r, expected the default order" % order)
    width = int(re.search(r"control %d \w+ \w+ -?\d+ -?\d+ -?\d+ -?\d+ of (\d+) \d+" % DISPLAY, out).group(1))

    where = {}
    for name in ("Cue List", "Edit Undo", "File New"):
        where[name] = button_left(order, name, width)
        if where[name] is None:
            raise AssertionError("%s is not shown in a client area %d pixels wide" % (name, width))
    y = 4 + 12
    script = ["expect-fail wait-dialog \"Cue List / Ranges\" 1"]
    script += click_at(where["Cue List"] + 12, y) + ['wait-dialog "Cue List / Ranges" 30', "wait-idle 800 30"]
    script += click_at(where["Edit Undo"] + 12, y) + ["wait-idle 800 30"]
    # Let go of File New well below the row: no command.
    script += click_at(where["File New"] + 12, y, up_y=200) + ["wait-idle 800 30", 'expect-fail wait-dialog "New Wave" 2']
    h.drive(*script)

    undo_line = DEFAULT_ORDER.index("Edit Undo")
    h.drive("command %d" % TOOLBAR_SETTINGS, 'wait-dialog "Toolbar Settings" 30',
            'select-items "Toolbar Settings" %d %d' % (LIST, undo_line), "wait-idle 500 30",
            'press "Toolbar Settings" %d' % ZAP, "wait-idle 500 30", 'press "Toolbar Settings" %d' % OK,
            'wait-gone "Toolbar Settings" 30', "wait-idle 500 30")
    after = stored_order(h)
    want = [n for n in DEFAULT_ORDER if n != "Edit Undo"] + ["Edit Undo"]
    if after != want:
        raise AssertionError("after Zap on Edit Undo the stored order is %r, expected %r" % (after, want))

    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
    text = "".join(prog.debug_strings())
    for line in ("toolbar: press 137", "toolbar: command 137", "toolbar: press 1050"):
        if line not in text:
            raise AssertionError("no %r in the debug output:\n%s" % (line, text))
    for line in ("toolbar: command 1050", "toolbar: press 102", "toolbar: command 102"):
        if line in text:
            raise AssertionError("%r in the debug output:\n%s" % (line, text))
