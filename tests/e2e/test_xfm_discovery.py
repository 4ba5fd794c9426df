"""The transform probes beside the program are found, cached and listed: the first start asks each one
(QueryXfm), writes xfm.dat (version 3, the table in name order, the current probe's toolbar picture, "KOVA") and
puts them in the Transform and Generate menus and on the toolbar; the old-layout probe's fields reach the table at their new places;
the current probe sees every context slot equal to the program's export of that name, survives every slot called
many times with the stack checked, and finds the nested API bounded; its variables block goes to [Profile] at
exit. The old probe's inversion through the byte-addressed accessors is in the saved file. The second start asks
none of them and gives the current probe its block from [Profile]. A probe whose size changed makes the third start ask all of them again,
rebuild the cache and drop the saved profiles."""
import os

from xfm_probes import CURRENT, OLD, clear_log, expect, fields, lines_with, log_lines, read_xfm_dat

PLUGINS = ["wavpcm.flt", "probe.xfm", "oldprobe.xfm", "genprobe.xfm", "lenprobe.xfm"]
PROBES = ["probe", "oldprobe", "genprobe", "lenprobe"]
E2E_TIMEOUT = 300
PROFILE_KEY = "Probes\\Current Probe"


def set_profile(h, key, value):
    """Replaces the [Profile] value of key in the settings file (kept with Windows line ends)."""
    path = h.ini_path()
    with open(path, "rb") as f:
        lines = f.read().decode("cp1252").split("\r\n")
    prefix = key.lower() + "="
    lines = [key + "=" + value if l.lower().startswith(prefix) else l for l in lines]
    with open(path, "wb") as f:
        f.write("\r\n".join(lines).encode("cp1252"))


def queries(h):
    return sum(len(lines_with(log_lines(h, p), "query")) for p in PROBES)


def run(h):
    wav = h.synth("tone.wav", 8000, 2, "synth", "0.5", "sine", "440")

    # ---- First start: every probe asked, the cache written, the menus filled.
    prog = h.start(h.windows_path(wav), debugstr=True)
    orig = h.sox_values(wav)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog",
            "command %d" % OLD, "wait-idle 1000 60", "expect-no-dialog", "command 1151", "wait-idle 1000 60")
    h.drive('answer-box "%s" "flush the virtual file" YES 3' % h.windows_path(wav), check=False)
    h.drive("wait-idle 1000 60", "expect-no-dialog",
            "command %d" % CURRENT, "wait-idle 1000 60", "expect-no-dialog",
            "close", 'answer-box "Current file not saved" "Save changes to" NO 60', "wait-exit 60", timeout=150)
    h.expect_exit(prog, 0)
    # The old probe inverted its range (nothing selected: the visible part) through vocReadOld/vocWriteAtOld.
    olddo = fields(lines_with(log_lines(h, "oldprobe"), "olddo ch=")[0])
    first, last = int(olddo["first"]), int(olddo["last"])
    expect((olddo["ch"], olddo["bits"], olddo["fb"]) == ("2", "16", "4") and first == 0 and last >= 0,
           "old probe's context: %r" % olddo)
    expect(lines_with(log_lines(h, "oldprobe"), "old inverted frames=%d bad=0" % (last - first + 1)),
           "old probe's transfers: %r" % lines_with(log_lines(h, "oldprobe"), "old inverted"))
    got = h.sox_values(wav)
    want = list(orig)
    for i in range(2 * first, 2 * (last + 1)):
        want[i] = ~orig[i]
    expect(list(got) == want, "the saved wave is not the old probe's inversion of [%d, %d]" % (first, last))
    debug = "".join(prog.debug_strings())
    expect(queries(h) == 4, "first start: %d QueryXfm calls, expected 4" % queries(h))
    for text in ['menu item 7000 "Current Probe..."', 'menu item 7001 "Generator Probe..."',
                 'menu item 7002 "Length Probe..."', 'menu item 7003 "Old Probe..."', "4 transforms found"]:
        expect(text in debug, "debug output lacks %r:\n%s" % (text, debug))

    dat_path = os.path.join(h.program_dir, "xfm.dat")
    dat = read_xfm_dat(dat_path)
    expect(dat["count"] == 4 and dat["version"] == 3 and dat["magic"] == b"KOVA",
           "xfm.dat header: %r" % {k: dat[k] for k in ("count", "version", "magic")})
    expect(dat["consumed"] == dat["size"], "xfm.dat is %d bytes, its records end at %d" % (dat["size"],
                                                                                              dat["consumed"]))
    names = [e["name"] for e in dat["entries"]]
    expect(names == ["Probes\\Current Probe", "Probes\\Generator Probe", "Probes\\Length Probe", "Probes\\Old Probe"],
           "table order %r" % names)
    bitmaps = [e["bitmap"] for e in dat["entries"]]
    expect(bitmaps[0] is not None and all(b is None for b in bitmaps[1:]), "bitmaps %r" % [b is not None for b in bitmaps])
    w, hgt, bpr, planes, bpp, pixels = bitmaps[0]
    expect((w, hgt) == (16, 16) and bpr * hgt * planes == len(pixels), "bitmap header %r" % ((w, hgt, bpr, planes),))
    expected_size = 10 + 4 * 476 + (24 + bpr * hgt * planes) + 4
    expect(dat["size"] == expected_size, "xfm.dat size %d, expected %d" % (dat["size"], expected_size))
    expect(dat["entries"][3]["file"] == "oldprobe.xfm" and dat["entries"][3]["mask"] == 0x0F, "old probe's record")

    old = log_lines(h, "oldprobe")
    entry = [l for l in old if l.startswith("entry ")]
    # Run from its menu and once nested by the current probe (OpenXfmEx, CallXfm).
    expect(len(entry) == 2 and entry[0] == entry[1], "the old probe's entries: %r" % entry)
    parts = dict(p.split("=", 1) for p in entry[0][len("entry "):].split("|"))
    want = {"name": "Probes\\Old Probe", "copyright": "Old probe copyright", "description": "Old layout record",
            "mask": "0xf", "flags": "0x1", "size": "8", "types": "ll", "presets": "yn", "word444": "0",
            "file": "oldprobe.xfm"}
    expect(parts == want, "old-layout fields in the table entry: %r" % parts)
    expect(lines_with(old, "calls") and "stack ok" in lines_with(old, "calls")[-1], "old probe: %r" % old[-5:])

    cur = log_lines(h, "probe")
    for prefix in ("init slots", "do slots"):
        got = lines_with(cur, prefix)
        expect(got and all(g.split()[2] == g.split()[4] for g in got), "%s: %r" % (prefix, got))
    expect(not lines_with(cur, "do slot bad") and not lines_with(cur, "init slot bad"), "bad slots: %r" % cur)
    calls = lines_with(cur, "calls")
    expect(calls and calls[-1].endswith("stack ok") and int(calls[-1].split()[1]) > 10000, "calls: %r" % calls)
    expect(not lines_with(cur, "stack bad"), "stack mismatches: %r" % lines_with(cur, "stack bad"))
    do = fields(lines_with(cur, "do ch=")[0])
    expect(do["ch"] == "2" and do["bits"] == "16" and do["fb"] == "4" and do["rate"] == "8000"
           and do["first"] == do["vis"].split("..")[0], "current probe's context: %r" % do)
    expect(lines_with(cur, "do cancel=0"), "the cancel flag was not clear before XfmDo")
    nested = fields(lines_with(cur, "nested")[0])
    expect(nested == {"open": "ok", "whole": "1", "past": "0", "setpast": "0", "setvar": "0", "vars": "ok"},
           "nested API: %r" % nested)
    nestedex = fields(lines_with(cur, "nestedex")[0])
    expect(nestedex == {"open": "ok", "call": "0", "delete": "1", "after": "0"}, "OpenXfmEx by name: %r" % nestedex)
    oldinit = lines_with(old, "oldinit slots")
    expect(len(oldinit) >= 2 and all(g.split()[2] == g.split()[4] for g in oldinit),
           "XfmInit under OpenXfm and CreateXfmVars: %r" % oldinit)
    ini = h.ini()
    h.expect_key(ini, "Profile", PROFILE_KEY, "7,2,0,0,1000,100,0.5")
    # Each probe has its toolbar button: the saved button order names them (a generator as "Generate ...").
    items = set(ini.get("newtoolbar", {}).values())
    for name in ["Probes\\Current Probe", "Probes\\Length Probe", "Probes\\Old Probe",
                 "Generate Probes\\Generator Probe"]:
        expect(name in items, "no toolbar button for %s: %r" % (name, sorted(items)))

    # ---- Second start: everything from the cache; the current probe's block comes back from [Profile].
    set_profile(h, PROFILE_KEY, "9,3,0,0,400,40,1000,100,0.25")
    clear_log(h, "probe")
    before = queries(h)
    prog = h.start(h.windows_path(wav), debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", "command %d" % CURRENT,
            "wait-idle 1000 60", "expect-no-dialog", "close",
            'answer-box "Current file not saved" "Save changes to" NO 60', "wait-exit 60")
    h.expect_exit(prog, 0)
    setup = lines_with(log_lines(h, "probe"), "setup vars")
    expect(setup and setup[0].endswith("counter=9 level=0.25 graph=3:0/0,400/40,1000/100 memory=A"),
           "the block read from the profile: %r" % setup)
    expect(queries(h) == before, "the second start called QueryXfm %d times" % (queries(h) - before))
    debug = "".join(prog.debug_strings())
    expect("4 transforms from the cache" in debug and 'menu item 7003 "Old Probe..."' in debug,
           "second start's debug output:\n" + debug)

    # ---- A probe of another size: all asked again, the cache rebuilt, the profiles dropped.
    with open(os.path.join(h.program_dir, "lenprobe.xfm"), "ab") as f:
        f.write(b"\0" * 512)
    for p in PROBES:
        clear_log(h, p)
    prog = h.start(h.windows_path(wav), debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", "close", "wait-exit 60")
    h.expect_exit(prog, 0)
    expect(queries(h) == 4, "after the change %d QueryXfm calls, expected 4" % queries(h))
    again = read_xfm_dat(dat_path)
    expect(again["checksum"] != dat["checksum"], "the cache's checksum did not change")
    expect(again["count"] == 4 and again["consumed"] == again["size"], "rebuilt cache")
    ini = h.ini()
    expect(h.key(ini, "Profile", PROFILE_KEY) is None, "the saved profile survived a changed plug-in set")
