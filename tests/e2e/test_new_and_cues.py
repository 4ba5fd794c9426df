"""The cue list and play list windows list the cues, ranges and play list of a sox-made WAV with cue, label,
ltxt and plst chunks opened from the command line; Add in the cue list puts a marker on the wave and marks it
modified; a label typed in renames it; Merge and Del change the list. New then asks to save it, shows the
new-wave dialog preset from [Recent], and makes an empty "Untitled" wave of the typed rate, which the windows follow; the chosen format goes back to [Recent]."""
import struct

PLUGINS = ["wavpcm.flt"]


def chunk(cid, body):
    return cid.encode("latin-1") + struct.pack("<I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


def add_markers(path):
    """Appends cue points 1 (at 2205) and 2 (at 11025), labels, a range of 4410 frames on cue 1 and a play
    list entry playing cue 1 three times."""
    with open(path, "rb") as f:
        data = f.read()
    cues = [(1, 2205), (2, 11025)]
    cue = struct.pack("<I", len(cues)) + b"".join(struct.pack("<II4sIII", i, 0, b"data", 0, 0, p) for i, p in cues)
    adtl = b"adtl" + chunk("labl", struct.pack("<I", 1) + b"Intro\0") + chunk("labl", struct.pack("<I", 2) + b"Drop\0")
    adtl += chunk("ltxt", struct.pack("<II4sHHHH", 1, 4410, b"rgn ", 0, 0, 0, 0))
    plst = struct.pack("<I", 1) + struct.pack("<III", 1, 4410, 3)
    body = data[12:] + chunk("cue ", cue) + chunk("LIST", adtl) + chunk("plst", plst)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body)


def expect_in(out, texts, what):
    for t in texts:
        if t not in out:
            raise AssertionError("%s: %r is missing" % (what, t))


def run(h):
    wav = h.synth("cues.wav", 22050, 2, "synth", "1", "sine", "440")
    add_markers(wav)
    # Positions as sample counts; New starts from 8-bit mono; the cue list was open when the program last
    # ended, so it opens again at start-up (the play list is opened by its command).
    h.write_ini("[System]\nLoTimeMode=1\n[Recent]\nSampleRate=44100\nBitsPerSample=8\nChannels=1\n"
                "[Size]\nCueList=1\n")
    prog = h.start(h.windows_path(wav), debugstr=True)
    out = h.drive(
        "wait-window SORN96 60", "wait-idle 1000 60",
        "command 136",
        'wait-dialog "Cue List - cues.wav" 30', 'wait-dialog "Play List - cues.wav" 30',
        "wait-idle 500 30", "list-windows",
        # Add with the cursor at 0: a point marker "Cue 3" at 0; the wave is now modified.
        'press "Cue List - cues.wav" 1102',
        'wait-dialog "Cue List - cues.wav*" 30',
        # Typing a label renames the selected (new) cue at once.
        'fill "Cue List - cues.wav*" 1108 "Start"', "wait-idle 500 30", "title", "list-windows",
        # Merge Intro (2205, 4410 frames) with Drop (a point at 11025): Intro then reaches 11024. Then Del
        # removes Start.
        'select-items "Cue List - cues.wav*" 1101 1 2', 'press "Cue List - cues.wav*" 1104', "wait-idle 500 30",
        'select-items "Cue List - cues.wav*" 1101 0', 'press "Cue List - cues.wav*" 1103', "wait-idle 500 30",
        "list-windows",
        # The decimal time format: the cue list shows minutes, seconds and milliseconds.
        "command 351", "wait-idle 500 30", "list-windows",
        timeout=80)
    listing = out.split("open windows:")
    expect_in(listing[1], ['item 0: " 2205 to 6614\\t Intro \\t\\t[1]"', 'item 1: " 11025\\t Drop \\t\\t[2]"',
                           'item 0: "(3)\\tIntro"', 'item 1: "[End]"'], "cue and play lists after opening")
    expect_in(listing[2], ['title "Cue List - cues.wav*"', 'item 0: " 0\\t Start \\t\\t[3]"',
                           'item 1: " 2205 to 6614\\t Intro \\t\\t[1]"', 'title "Play List - cues.wav*"'],
              "cue list after Add")
    expect_in(out, ["title: cues.wav* - Sorn Edit"], "main title after Add")
    expect_in(listing[3], ['item 0: " 2205 to 11024\\t Intro \\t\\t[1]"', 'item 0: "(3)\\tIntro"'],
              "cue list after Merge and Del")
    if "Start" in listing[3] or "Drop" in listing[3]:
        raise AssertionError("Merge or Del left a cue behind")
    expect_in(listing[4], ['item 0: " 0:00.100 to 0:00.'], "cue list in decimal time")

    # New: the save question, the dialog preset from [Recent] (8-bit mono) and the typed rate.
    out = h.drive(
        "command 1050", 'answer-box "Current file not saved" "Save changes to" NO 30',
        'wait-dialog "New Wave" 30', 'fill "New Wave" 1001 "22050"', 'press "New Wave" 1',
        'wait-gone "New Wave" 30', "wait-idle 1000 30", "title", "list-windows", timeout=80)
    expect_in(out, ["title: Untitled - Sorn Edit", 'title "Cue List - Untitled"', 'title "Play List - Untitled"',
                    "22050 / 8 bit / Mono", " 0 Samples"], "after New")
    if "Intro" in out.split("open windows:")[1]:
        raise AssertionError("the cue list still shows the old wave's cues after New")
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
    ini = h.ini()
    h.expect_key(ini, "Recent", "SampleRate", "22050")
    h.expect_key(ini, "Recent", "BitsPerSample", "8")
    h.expect_key(ini, "Recent", "Channels", "1")
    h.expect_key(ini, "Size", "CueList", "1")
    h.expect_int_key(ini, "Position", "CueX")
