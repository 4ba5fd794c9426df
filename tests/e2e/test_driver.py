"""The driver itself, against driver-target.exe: message boxes answered by caption and text, edit fields filled,
buttons pressed (a disabled one refused), the title read, timeouts reported with the open windows, and the
program's exit code passed through."""

PROGRAM = "tools/driver-target.exe"


def expect(out, text):
    if text not in out:
        raise AssertionError("driver output lacks %r" % text)


def run(h):
    prog = h.start()
    out = h.drive(
        "wait-window SornDriverTarget 60",
        "wait-idle 300 60",
        'expect-title "ready"',
        "command 100",
        'answer-box "Attention!" "Replace the" NO',
        "wait-idle 300",
        'expect-title "box 7"',
        "command 101",
        'fill "Target Dialog" 300 "two words"',
        # A disabled button cannot be pressed; a box that never comes ends in a timeout listing the windows.
        'expect-fail press "Target Dialog" 301',
        'expect-fail answer-box "Attention!" "Replace the" YES 2',
        'expect-fail expect-title "text"',
        'press "Target Dialog" OK',
        'wait-gone "Target Dialog"',
        "title",
        "close",
        "wait-exit 60",
    )
    expect(out, "button 301 is disabled")
    expect(out, "TIMEOUT")
    expect(out, 'title "Target Dialog"')
    expect(out, 'Edit       id 300   "two words"')
    expect(out, "title: text two words")
    expect(out, "exit: 7")
    h.expect_exit(prog, 7)
