"""The main window's buttons, clicked like a user: without a document every zoom and transport button is greyed;
with a wave open the zoom buttons follow the view (In halves the visible range, which the status field's Time
shows; Out and Full come back; Full shows the whole wave again); Close greys them once more. Transport buttons
whose commands this build does not handle stay greyed, so a click never does nothing. The device text, the
capability text and the notice line are shown, the level meter runs along the bottom edge."""
import re

PLUGINS = ["wavpcm.flt"]

RATE = 8000
FRAMES = 16000
ZOOM, IN, OUT, FULL = 401, 197, 196, 195
PLAY, PAUSE, STOP, RECORD = 199, 192, 198, 194
ALL = (ZOOM, IN, OUT, FULL, PLAY, PAUSE, STOP, RECORD)
METER, DISPLAY = 5030, 360
VK_SPACE = 0x20


def states(out):
    found = dict((int(i), s) for i, s in re.findall(r"control (\d+) (enabled|disabled|missing)", out))
    return found


def expect_states(out, want, when):
    got = states(out)
    for control, state in want.items():
        if got.get(control) != state:
            raise AssertionError("%s: control %d is %s, expected %s" % (when, control, got.get(control), state))


def places(out):
    """control id -> (shown, left, top, right, bottom, client width, client height)"""
    found = {}
    for m in re.finditer(r"control (\d+) (?:enabled|disabled) (shown|hidden) (-?\d+) (-?\d+) (-?\d+) (-?\d+) of "
                         r"(\d+) (\d+)", out):
        found[int(m.group(1))] = (m.group(2) == "shown",) + tuple(int(v) for v in m.groups()[2:])
    return found


def time_field(out):
    # " Time: <samples>" in the samples time format.
    m = re.search(r'" Time: (\d+)"', out)
    if not m:
        raise AssertionError("no Time field in:\n" + out)
    return int(m.group(1))


def run(h):
    wav = h.synth("tone.wav", RATE, 1, "synth", "%d" % (FRAMES // RATE), "sine", "440", "vol", "0.5")
    # Samples as the time format, so the Time field reads as a frame count.
    h.write_ini("[System]\nTimeMode=1\nLoTimeMode=1\nHiTimeMode=1\n")
    controls = "controls " + " ".join(str(c) for c in ALL)

    prog = h.start(debugstr=True)
    out = h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", controls, "list-windows")
    expect_states(out, dict((c, "disabled") for c in (ZOOM, IN, OUT, FULL, PLAY, PAUSE, STOP)), "no document")
    if "missing" in states(out).values():
        raise AssertionError("a button of the main window was not created")
    if not re.search(r'"( [^"]+ Installed| No Waveform device installed)"', out):
        raise AssertionError("the device text is not shown")
    no_device = '" No Waveform device installed"' in out
    if not re.search(r'"( [^"]*capability| Cannot Play waveforms)"', out):
        raise AssertionError("the capability text is not shown")
    if "right-click the level meter" not in out:
        raise AssertionError("the notice line is not shown")
    # The level meter runs along the whole bottom edge, 5 pixels high; the display sits under the buttons.
    where = places(h.drive("controls %d %d %d" % (METER, DISPLAY, PLAY)))
    shown, left, top, right, bottom, width, height = where[METER]
    if not shown or (left, top, right, bottom) != (0, height - 5, width, height):
        raise AssertionError("the level meter is at %r in a %dx%d client area" % (where[METER], width, height))
    if where[DISPLAY][2] < where[PLAY][4]:
        raise AssertionError("the display overlaps the button row: %r" % where)
    h.drive("expect-fail click %d" % IN, "close", "wait-exit 60")
    h.expect_exit(prog, 0)

    prog = h.start(h.windows_path(wav), debugstr=True)
    out = h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", controls, "list-windows")
    # The whole wave is visible and the vertical range is full: Out and Full have nothing to do.
    expect_states(out, {ZOOM: "enabled", IN: "enabled", OUT: "disabled", FULL: "disabled"}, "opened")
    whole = time_field(out)
    if whole != FRAMES:
        raise AssertionError("the Time field shows %d visible samples, expected %d" % (whole, FRAMES))

    out = h.drive("click %d" % IN, "wait-idle 800 30", controls, "list-windows")
    expect_states(out, {ZOOM: "enabled", IN: "enabled", OUT: "enabled", FULL: "enabled"}, "after In")
    zoomed = time_field(out)
    if not FRAMES // 3 <= zoomed <= FRAMES * 2 // 3:
        raise AssertionError("after In the view shows %d of %d samples, expected about half" % (zoomed, FRAMES))
    # The space bar after a click belongs to the main window (Play), not to the clicked button: no second In.
    # Without a sound device Play says so in a box; with one it plays.
    answer = ['answer-box "Wave System Error" "" OK', 'wait-gone "Wave System Error"'] if no_device else []
    out = h.drive("key %d" % VK_SPACE, *answer, "wait-idle 800 30", "expect-no-dialog", "list-windows")
    if time_field(out) != zoomed:
        raise AssertionError("the space bar clicked In again: %d samples in view, was %d" % (time_field(out), zoomed))

    out = h.drive("click %d" % OUT, "wait-idle 800 30", "click %d" % IN, "click %d" % IN, "wait-idle 800 30",
                  "click %d" % FULL, "wait-idle 800 30", controls, "list-windows")
    expect_states(out, {IN: "enabled", OUT: "disabled", FULL: "disabled"}, "after Full")
    if time_field(out) != FRAMES:
        raise AssertionError("Full did not show the whole wave again")

    out = h.drive("command 3148", "wait-idle 800 30", "expect-no-dialog", controls)
    expect_states(out, dict((c, "disabled") for c in (ZOOM, IN, OUT, FULL, PLAY)), "after Close")
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
    text = "".join(prog.debug_strings())
    if "Clash" in text:
        raise AssertionError("nested key handling reported:\n" + text)
