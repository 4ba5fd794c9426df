"""Dropped files and the recent-files items. Two files dropped together open only the first (not one "Untitled"
wave of both); two more dropped one after another join the list. Then each recent-files item, read from the
list the program keeps ([DirGroup 100], whose Item<i> the menu shows as item 14000 + i with the text
"&<(n - i) mod 10> <name>"), opens the file its text names. Each open moves its name to the end of the list, so
the items are worked out afresh before every command."""
import ntpath
import re

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 200


def recent_items(h):
    ini = h.ini()
    n = h.expect_int_key(ini, "DirGroup 100", "NumItems")
    names = [h.key(ini, "DirGroup 100", "Item%d" % i) for i in range(n)]
    return [(14000 + i, "&%d %s" % ((n - i) % 10, names[i]), names[i]) for i in range(n)]


def samples_shown(out):
    m = re.findall(r'"\s*(\d+) Samples"', out)
    return int(m[-1]) if m else None


def run(h):
    a = h.synth("a.wav", 8000, 1, "synth", "0.5", "sine", "440")
    x = h.synth("x.wav", 8000, 1, "synth", "0.2", "sine", "660")
    b = h.synth("b.wav", 8000, 1, "synth", "0.25", "sine", "550")
    c = h.synth("c.wav", 8000, 1, "synth", "0.3", "sine", "770")
    w = h.windows_path

    prog = h.start(debugstr=True)
    out = h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog",
                  "drop %s %s" % (w(a), w(x)), "wait-idle 1000 60", "expect-no-dialog", "title", "list-windows")
    if "title: a.wav - Sorn Edit" not in out:
        raise AssertionError("dropping a.wav and x.wav did not open a.wav alone:\n" + out)
    if samples_shown(out) != 4000:
        raise AssertionError("the dropped wave is not a.wav's 4000 samples: %r" % samples_shown(out))
    h.drive("drop %s" % w(b), "wait-title b.wav 60", "wait-idle 1000 60", "expect-no-dialog",
            "drop %s" % w(c), "wait-title c.wav 60", "wait-idle 1000 60", "expect-no-dialog")
    items = recent_items(h)
    if [name for _, _, name in items] != [w(a), w(b), w(c)]:
        raise AssertionError("the recent files are %r, expected a, b and c (never x)" % items)

    # Each item in turn, always one naming a file other than the one open.
    current = w(c)
    for _ in range(3):
        items = recent_items(h)
        chosen = next(it for it in items if it[2] != current)
        ident, text, name = chosen
        part = ntpath.basename(name)
        h.note("item %d %r" % (ident, text))
        out = h.drive("command %d" % ident, "wait-title %s 60" % part, "wait-idle 1000 60", "expect-no-dialog",
                      "title")
        if "title: %s - Sorn Edit" % part not in out:
            raise AssertionError("item %d (%r) did not open %s:\n%s" % (ident, text, part, out))
        if part.lower() not in text.lower():
            raise AssertionError("item text %r does not name %s" % (text, part))
        current = name
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
