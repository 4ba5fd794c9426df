"""Generate Silence and Mix Paste through their dialogs, like a user: a /REGION: selection of a mono wave is copied,
Generate Silence refuses a duration that is not a number and then replaces the selection with 0.25 s of silence,
Mix Paste takes the copied clip at 50% over the start of the silence (its right-channel controls disabled for the
mono wave), F3 repeats that mix without the dialog, and the saved file equals the same edit computed here. Left Channel on a
mono wave changes nothing."""

PLUGINS = ["wavpcm.flt"]

RATE = 8000
START, COUNT = 1000, 500
SILENCE_SECONDS = "0.25"
SILENCE_FRAMES = 2000


def run(h):
    wav = h.synth("tone.wav", RATE, 1, "synth", "1", "sine", "440-1200", "vol", "0.8")
    orig = h.sox_values(wav)
    clip = orig[START:START + COUNT]
    twice = [v * 0.5 + v * 0.5 for v in clip]
    want_len = len(orig) - COUNT + SILENCE_FRAMES

    prog = h.start(h.windows_path(wav), "/REGION:%d,%d" % (START, COUNT), debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog",
            "command 2050", "wait-idle 1000 60", "expect-no-dialog",
            # Left Channel on a mono wave does nothing.
            "command 1001", "wait-idle 500 30", "expect-no-dialog",
            "command 4100", 'wait-dialog "Generate Silence"',
            'fill "Generate Silence" 4101 "ten"', 'press "Generate Silence" OK',
            'answer-box "Error" "duration of the silence" OK', 'wait-gone "Error"',
            'fill "Generate Silence" 4101 "%s"' % SILENCE_SECONDS, 'press "Generate Silence" OK',
            'wait-gone "Generate Silence"', "wait-idle 1000 60", "expect-no-dialog",
            "command 2110", 'wait-dialog "Mix Paste"',
            'expect-fail press "Mix Paste" 2116',  # the right Invert box: disabled for a mono wave
            'fill "Mix Paste" 2112 "50"', 'press "Mix Paste" 2119',  # Overlap (Mix)
            'press "Mix Paste" 2123',  # From Clipboard
            'press "Mix Paste" OK', 'wait-gone "Mix Paste"', "wait-idle 1000 60", "expect-no-dialog",
            # F3 repeats the mix paste without its dialog: the clip goes in a second time at 50%.
            "command 131", "wait-idle 1000 60", "expect-no-dialog",
            "title", timeout=100)
    # Save writes over the file the samples came from; whether it first asks to flush the virtual file depends
    # on how many of its blocks are still mapped, so the question is answered only when it comes.
    h.drive("command 1151", "wait-idle 1000 60")
    h.drive('answer-box "%s" "flush the virtual file" YES 2' % h.windows_path(wav), check=False)
    h.drive("wait-idle 1000 60", "expect-no-dialog", "title", "close", "wait-exit 60")
    h.expect_exit(prog, 0)

    got = h.sox_values(wav)
    if len(got) != want_len:
        raise AssertionError("saved length %d, expected %d" % (len(got), want_len))
    if got[:START] != orig[:START]:
        raise AssertionError("frames before the selection changed")
    tail = START + SILENCE_FRAMES
    if got[tail:] != orig[START + COUNT:]:
        raise AssertionError("frames after the selection changed")
    if any(got[START + COUNT:tail]):
        raise AssertionError("the silence after the mixed clip is not silent")
    # Two mixes, each within 1 LSB.
    worst = max(abs(g - w) for g, w in zip(got[START:START + COUNT], twice))
    if worst > 2:
        raise AssertionError("the clip mixed twice at 50%% is off by %g" % worst)
    ini = h.ini()
    h.expect_key(ini, "Silence", "Duration", SILENCE_SECONDS)
    h.expect_key(ini, "Paste Special", "Left", "0.5")
