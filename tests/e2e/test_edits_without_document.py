"""Generate Silence and Mix Paste with no document open. Generate Silence first makes a new wave through the
new-wave dialog (preset from [Recent]) and fills it with the silence; copied and closed, Mix Paste then makes an
"Untitled" wave in the clip's format and pastes the clip into it. The status fields show the lengths."""

PLUGINS = ["wavpcm.flt"]


def expect_in(out, texts, what):
    for t in texts:
        if t not in out:
            raise AssertionError("%s: %r is missing" % (what, t))


def run(h):
    h.write_ini("[Recent]\nSampleRate=8000\nBitsPerSample=16\nChannels=1\n")
    prog = h.start(debugstr=True)
    out = h.drive(
        "wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog",
        "command 4100", 'wait-dialog "New Wave" 30', 'press "New Wave" 1', 'wait-gone "New Wave" 30',
        'wait-dialog "Generate Silence" 30', 'fill "Generate Silence" 4101 "0.5"', 'press "Generate Silence" OK',
        'wait-gone "Generate Silence" 30', "wait-idle 1000 30", "title", "list-windows",
        timeout=80)
    expect_in(out, ["title: Untitled* - Sorn Edit", " 8000 / 16 bit / Mono", " 4000 Samples"], "after Generate Silence")

    out = h.drive(
        "command 115", "command 2050", "wait-idle 1000 30", "expect-no-dialog",
        "command 3148", 'answer-box "Current file not saved" "Save changes to" NO 30', "wait-idle 1000 30",
        "title",
        "command 2110", 'wait-dialog "Mix Paste" 30', 'press "Mix Paste" OK', 'wait-gone "Mix Paste" 30',
        "wait-idle 1000 30", "title", "list-windows",
        timeout=80)
    closed, pasted = out.split("title: ", 2)[1:]
    if not closed.startswith("Sorn Edit"):
        raise AssertionError("Close left a document: %r" % closed.splitlines()[0])
    expect_in(pasted, ["Untitled* - Sorn Edit", " 8000 / 16 bit / Mono", " 4000 Samples"], "after Mix Paste")
    h.drive("close", 'answer-box "Current file not saved" "Save changes to" NO 30', "wait-exit 60")
    h.expect_exit(prog, 0)
