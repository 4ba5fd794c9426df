"""Menu states and edit channels in the real program. Generate Silence is the last command; with only the left
channel edited it is greyed, so Repeat (F2, through the accelerator table, which asks the menu first) is greyed too
and the key does nothing; with both channels edited F2 opens the dialog again. Then Left Channel turns editing of
a stereo wave to the right channel only, Right Channel leaves it there, and Invert of the whole wave changes only
the right channel: the saved file shows exactly that. The view goes to spectral, back and to spectral again, which
DisplayMode keeps."""

PLUGINS = ["wavpcm.flt"]

RATE = 8000
START, COUNT = 1000, 500
SILENCE_FRAMES = 800  # 0.1 s
VK_F2, WM_KEYDOWN = 0x71, 0x100


def channels(h, path):
    a = h.sox_values(path)
    return list(a[0::2]), list(a[1::2])


def inverted(values):
    return [-v if v != -32768 else -32768 for v in values]


def run(h):
    wav = h.synth("stereo.wav", RATE, 2, "synth", "0.5", "sine", "300", "sine", "500", "vol", "0.7")
    left, right = channels(h, wav)
    key = "post %d %d 0" % (WM_KEYDOWN, VK_F2)

    prog = h.start(h.windows_path(wav), "/REGION:%d,%d" % (START, COUNT), debugstr=True)
    out = h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog",
            "command 4100", 'wait-dialog "Generate Silence"', 'fill "Generate Silence" 4101 "0.1"',
            'press "Generate Silence" OK', 'wait-gone "Generate Silence"', "wait-idle 1000 60",
            # Left only: Generate Silence and with it Repeat are greyed; F2 does nothing.
            "command 341", key, "wait-idle 1000 30", "expect-no-dialog",
            # Both channels: F2 repeats Generate Silence, dialog and all.
            "command 340", key, 'wait-dialog "Generate Silence"', 'press "Generate Silence" CANCEL',
            'wait-gone "Generate Silence"', "wait-idle 1000 30",
            # Esc, then Ctrl+S selects the visible range (the whole wave); both -> right only -> still right only;
            # then Invert.
            "command 254", "command 253", "wait-idle 500 30", "list-windows",
            # Time format: samples; vertical scale: percentage.
            "command 353", "command 380", "wait-idle 500 30", "list-windows",
            "command 1001", "command 1002", "command 3100", "wait-idle 1000 60", "expect-no-dialog",
            # The spectral view, back (the toolbar's switch) and to spectral again; the grid on and off.
            "command 375", "wait-idle 1000 60", "command 2211", "command 373", "wait-idle 1000 30", "command 373",
            "command 2211", "wait-idle 1000 60", "expect-no-dialog",
            timeout=100)
    # 4300 frames at 8000 Hz: Ctrl+S selected 0 .. 4299.
    decimal, samples = out.split("open windows:")[1:3]
    for text in (" Beg:  0:00.000", " End:  0:00.537"):
        if text not in decimal:
            raise AssertionError("after Ctrl+S the status lacks %r" % text)
    for text in (" Beg: 0\"", " End: 4299\"", " Time: 4300\""):
        if text not in samples:
            raise AssertionError("in samples the status lacks %r" % text)
    h.drive("command 1151", "wait-idle 1000 60")
    h.drive('answer-box "%s" "flush the virtual file" YES 2' % h.windows_path(wav), check=False)
    h.drive("wait-idle 1000 60", "expect-no-dialog", "close", "wait-exit 60")
    h.expect_exit(prog, 0)
    ini = h.ini()
    h.expect_key(ini, "Settings", "DisplayMode", "50")  # spectral, boundaries, off-screen drawing
    for key in ("TimeMode", "LoTimeMode", "HiTimeMode"):
        h.expect_key(ini, "System", key, "1")
    h.expect_key(ini, "System", "TimeModeV", "18")  # percentage, in spectral view

    got_left, got_right = channels(h, wav)
    silence = [0] * SILENCE_FRAMES
    want_left = left[:START] + silence + left[START + COUNT:]
    want_right = inverted(right[:START]) + silence + inverted(right[START + COUNT:])
    if len(got_left) != len(want_left):
        raise AssertionError("saved length %d, expected %d" % (len(got_left), len(want_left)))
    if got_left != want_left:
        raise AssertionError("the left channel changed, or the silence is not where it belongs")
    if got_right != want_right:
        raise AssertionError("the right channel is not the inverted original with the silence")
