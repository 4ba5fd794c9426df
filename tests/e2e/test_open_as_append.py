"""Append (135) splices a file onto the open wave with a cue region named after it; Open As (116) reads a file
converted to the format chosen in the new-wave dialog ("Open File(s) As", preset from [Recent]), keeping its
cues, and leaves it modified. Both go through the standard open dialog."""

from test_new_and_cues import add_markers, expect_in

PLUGINS = ["wavpcm.flt"]


def run(h):
    wav = h.synth("cues.wav", 22050, 2, "synth", "1", "sine", "440")
    add_markers(wav)
    h.write_ini("[System]\nLoTimeMode=1\n[Recent]\nSampleRate=22050\nBitsPerSample=8\nChannels=1\n"
                "[Size]\nCueList=1\n")
    prog = h.start(h.windows_path(wav), debugstr=True)
    # The open dialog can take long to come up here (it looks at every drive), hence the long waits.
    out = h.drive(
        "wait-window SORN96 60", "wait-idle 1000 60",
        # Add a cue (the label field takes the focus) and delete it again (the field is greyed): the open
        # dialog must still come up.
        'press "Cue List - cues.wav" 1102', 'wait-dialog "Cue List - cues.wav*" 30',
        'select-items "Cue List - cues.wav*" 1101 0', 'press "Cue List - cues.wav*" 1103', "wait-idle 500 30",
        "command 135", 'wait-dialog "Append a Waveform" 60',
        'fill "Append a Waveform" 1148 "%s"' % h.windows_path(wav), 'press "Append a Waveform" 1',
        'wait-gone "Append a Waveform" 30', "wait-idle 1000 30", "title", "list-windows",
        "command 116", 'answer-box "Current file not saved" "Save changes to" NO 30',
        'wait-dialog "Open a Waveform As" 60',
        'fill "Open a Waveform As" 1148 "%s"' % h.windows_path(wav), 'press "Open a Waveform As" 1',
        'wait-dialog "Open File(s) As" 30', 'press "Open File(s) As" 1',
        'wait-gone "Open File(s) As" 30', "wait-idle 1000 30", "title", "list-windows",
        timeout=100)
    blocks = out.split("open windows:")
    if len(blocks) != 3:
        raise AssertionError("the driver did not list the windows twice")
    expect_in(blocks[0], ["title: cues.wav* - Sorn Edit"], "title after Append")
    expect_in(blocks[1], [" 44100 Samples", 'item 0: " 2205 to 6614\\t Intro \\t\\t[1]"',
                          'item 2: " 22050 to 44099\\t cues.wav \\t\\t[3]"', "title: cues.wav* - Sorn Edit"],
              "after Append")
    expect_in(blocks[2], [" 22050 / 8 bit / Mono", " 22050 Samples", 'item 0: " 2205 to 6614\\t Intro \\t\\t[1]"',
                          'item 1: " 11025\\t Drop \\t\\t[2]"', 'title "Cue List - cues.wav*"'], "after Open As")
    h.drive("close", 'answer-box "Current file not saved" "Save changes to" NO 30', "wait-exit 60")
    h.expect_exit(prog, 0)
