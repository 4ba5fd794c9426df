"""The toolbar follows a mouse selection at once: after a drag in the waveform display (no menu opened) the
"Edit Delete" button takes a click and deletes the selection. Delete acts only while the main window has the
keyboard focus: with the cue list window in front, command 2200 (what Del there would reach) leaves the wave
alone; once it is closed, Delete works again. Viewing Range shows and takes the view in the time format. The start-up warning's settings command says where the settings
are instead of doing nothing or harm."""
import re

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 200
DISPLAY = 360
WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP = 0x200, 0x201, 0x202
ORDER = [
    "File New", "File Open", "File Save", "File Save Selection", "File New Instance", "[Space]", "Reverse",
    "Silence", "Invert", "Music", "[Space]", "Generate Silence", "[Space]", "CD Player", "Help", "Loop",
    "Monitor VU Level", "Settings", "Frequency Analysis", "Info", "Scripts", "Cue List", "Play List", "[Space]",
    "Edit Undo", "Edit Trim", "Edit Delete",
]


def button_left(name, width):
    """Where the row puts a button: x from 6, 25 per button, 8 per spacer; hidden past width - 6."""
    x = 6
    for item in ORDER:
        if item == "[Space]":
            x += 8
            continue
        if x > width - 6:
            return None
        if item == name:
            return x
        x += 25
    return None


def samples_shown(out):
    m = re.findall(r'"\s*(\d+) Samples"', out)
    if not m:
        raise AssertionError("no length in the status fields:\n" + out)
    return int(m[-1])


def lparam(x, y):
    return (y << 16) | x


def drag(x0, x1, y):
    return ["post-child %d %d 1 %d" % (DISPLAY, WM_LBUTTONDOWN, lparam(x0, y)),
            "post-child %d %d 1 %d" % (DISPLAY, WM_MOUSEMOVE, lparam((x0 + x1) // 2, y)),
            "post-child %d %d 1 %d" % (DISPLAY, WM_MOUSEMOVE, lparam(x1, y)),
            "post-child %d %d 0 %d" % (DISPLAY, WM_LBUTTONUP, lparam(x1, y)), "wait-idle 800 30"]


def run(h):
    wav = h.synth("tone.wav", 8000, 1, "synth", "1", "sine", "440")
    prog = h.start(h.windows_path(wav), debugstr=True)
    out = h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", "controls %d" % DISPLAY,
                  "list-windows")
    if samples_shown(out) != 8000:
        raise AssertionError("the wave is not 8000 samples long")
    m = re.search(r"control %d \w+ \w+ (-?\d+) (-?\d+) (-?\d+) (-?\d+) of (\d+) \d+" % DISPLAY, out)
    left, top, right, bottom, width = (int(v) for v in m.groups())
    del_x = button_left("Edit Delete", width)
    if del_x is None:
        raise AssertionError("Edit Delete is not shown in a client area %d pixels wide" % width)
    w, y = right - left, (bottom - top) // 2

    # A drag over about a third of the display, then a click on the toolbar's Delete button.
    script = drag(w // 4, w // 2, y)
    script += ["post %d 1 %d" % (WM_LBUTTONDOWN, lparam(del_x + 12, 16)),
               "post %d 0 %d" % (WM_LBUTTONUP, lparam(del_x + 12, 16)), "wait-idle 1000 30", "list-windows"]
    out = h.drive(*script)
    after_button = samples_shown(out)
    if not 4000 < after_button < 7500:
        raise AssertionError("the Delete button did not delete the dragged selection: %d samples" % after_button)
    h.note("toolbar Delete after a mouse selection: %d samples left" % after_button)

    # The cue list in front: Delete does nothing; closed again, it deletes.
    cues = "Cue List - tone.wav*"  # its title names the (now changed) document
    script = ["command 137", 'wait-dialog "%s" 30' % cues, "wait-idle 800 30"] + drag(w // 4, w // 2, y)
    script += ["command 2200", "wait-idle 1000 30", "list-windows"]
    out = h.drive(*script)
    if samples_shown(out) != after_button:
        raise AssertionError("Delete acted while the cue list had the focus: %d samples" % samples_shown(out))
    out = h.drive('press "%s" 2' % cues, 'wait-gone "%s" 30' % cues, "wait-idle 800 30",
                  "command 2200", "wait-idle 1000 30", "list-windows")
    if samples_shown(out) >= after_button:
        raise AssertionError("Delete did nothing once the main window had the focus back")
    h.note("Delete: only with the focus in the main window")

    # Viewing Range: bad input gets a message and the dialog stays; a range typed in the time format becomes
    # the view, shown again the next time.
    out = h.drive("command 3147", 'wait-dialog "Viewing Range" 30', "list-windows",
                  'fill "Viewing Range" 1401 "abc"', 'press "Viewing Range" 1',
                  'answer-box "Viewing Range" "not a time" OK 30', "wait-idle 500 30", 'wait-dialog "Viewing Range" 10',
                  'fill "Viewing Range" 1401 "0:00.100"', 'fill "Viewing Range" 1402 "0:00.200"',
                  'press "Viewing Range" 1', 'wait-gone "Viewing Range" 30', "wait-idle 800 30",
                  "command 3147", 'wait-dialog "Viewing Range" 30', "list-windows", 'press "Viewing Range" 2',
                  'wait-gone "Viewing Range" 30', "expect-no-dialog")
    shown = out[out.rfind('title "Viewing Range"'):]
    if '"0:00.100"' not in shown or '"0:00.200"' not in shown:
        raise AssertionError("the typed viewing range is not the view shown next time:\n" + shown)
    if "Decimal" not in out:
        raise AssertionError("the dialog does not name the time format:\n" + out)
    h.note("Viewing Range: typed in the time format, applied to the view")

    # The start-up warning's command: a message that names the settings file, nothing else.
    h.drive("command 3290", 'answer-box "Settings" "SORN.INI" OK 30', "wait-idle 800 30", "expect-no-dialog",
            "command 3290 1", 'answer-box "Settings" "UndoTempDir" OK 30', "wait-idle 800 30", "expect-no-dialog",
            "close", 'answer-box "Current file not saved" "Save changes to" NO 60', "wait-exit 60")
    h.expect_exit(prog, 0)
