"""Running transforms: the format each probe is shown and the cancel of its dialog. A native 32-bit-only probe
(mask 0x30) on a 16-bit mono wave gets 32-bit frames of 4 bytes; a cancelled dialog that changed the counter,
the level, the graph's points and the memory block leaves all four as they were, and does not run; result 2
keeps the new settings without running; Repeat (F3) runs the probe again without its dialog. A dropped 8-bit stereo wave shown to a 16-bit-mono-only probe (mask 0x04)
becomes 16-bit mono; with only the left channel edited the native probe gets one 8-bit channel and the masks
0x800 / 0x100. The probes never write: the first wave is unchanged on disk afterwards."""
import os
import subprocess

from xfm_probes import clear_log, control, expect, fields, lines_with, log_lines

PLUGINS = ["wavpcm.flt", "probe.xfm", "probe30.xfm", "probe04.xfm", "genprobe.xfm", "lenprobe.xfm"]
E2E_TIMEOUT = 240
# Table order: Current Probe, Generator Probe, Length Probe, Mono 16, Native 32.
CURRENT, MONO16, NATIVE32 = 7000, 7003, 7004


def setup_vars(line):
    return line.split(" vars ", 1)[1]


def run(h):
    mono = h.synth("mono16.wav", 8000, 1, "synth", "0.5", "sine", "440")
    stereo8 = h.synth("stereo8.wav", 8000, 2, "synth", "0.5", "sine", "300", "sine", "500")
    # sox wrote 16 bits; make it an 8-bit wave.
    eight = os.path.join(h.files_dir(), "stereo8b.wav")
    subprocess.run(["sox", stereo8, "-b", "8", eight], check=True)

    original = h.sox_values(mono)
    prog = h.start(h.windows_path(mono), debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog",
            "command %d" % NATIVE32, "wait-idle 1000 60", "expect-no-dialog")
    do = lines_with(log_lines(h, "probe30"), "do ch=")
    expect(len(do) == 1, "the 32-bit probe ran %d times" % len(do))
    f = fields(do[0])
    expect((f["ch"], f["bits"], f["fb"], f["rmask"], f["wmask"]) == ("1", "32", "4", "0x0", "0x0"),
           "mask 0x30 on 16-bit mono: %r" % f)

    # Cancel after the dialog changed everything: all restored, nothing run.
    control(h, "probe", mutate=1, setup=0)
    h.drive("command %d" % CURRENT, "wait-idle 1000 60", "expect-no-dialog")
    control(h, "probe", mutate=0, setup=1)
    h.drive("command %d" % CURRENT, "wait-idle 1000 60", "expect-no-dialog")
    cur = log_lines(h, "probe")
    setups = lines_with(cur, "setup vars")
    mutated = lines_with(cur, "mutated vars")
    expect(len(setups) == 2 and len(mutated) == 1, "setup lines %r, mutated %r" % (setups, mutated))
    expect(setup_vars(setups[0]) == "counter=7 level=0.5 graph=2:0/0,1000/100 memory=A",
           "fresh block: %r" % setups[0])
    expect(setup_vars(mutated[0]) == "counter=1007 level=-1 graph=3:0/0,500/77,1000/100 memory=C",
           "the dialog's changes: %r" % mutated[0])
    expect(setup_vars(setups[1]) == setup_vars(setups[0]), "after cancel: %r, before: %r" % (setups[1], setups[0]))
    expect(len(lines_with(cur, "do ch=")) == 1, "a cancelled run reached XfmDo: %r" % lines_with(cur, "do ch="))
    do = fields(lines_with(cur, "do ch=")[0])
    expect((do["ch"], do["bits"], do["fb"]) == ("1", "16", "2"), "mask 0x3f on 16-bit mono: %r" % do)

    # Result 2: the settings stay, nothing runs.
    clear_log(h, "probe")
    control(h, "probe", mutate=1, setup=2)
    h.drive("command %d" % CURRENT, "wait-idle 1000 60", "expect-no-dialog")
    control(h, "probe", mutate=0, setup=0)
    h.drive("command %d" % CURRENT, "wait-idle 1000 60", "expect-no-dialog")
    cur = log_lines(h, "probe")
    setups = lines_with(cur, "setup vars")
    expect(len(setups) == 2 and setup_vars(setups[1]) == setup_vars(lines_with(cur, "mutated vars")[0]),
           "result 2 did not keep the settings: %r" % cur)
    expect(not lines_with(cur, "do ch="), "result 2 ran the transform")
    # Repeat without the dialog (F3): the last transform that recorded an undo level runs, XfmSetup skipped.
    clear_log(h, "probe")
    h.drive("command 131", "wait-idle 1000 60", "expect-no-dialog")
    cur = log_lines(h, "probe")
    expect(len(lines_with(cur, "do ch=")) == 1 and not lines_with(cur, "setup vars"),
           "Repeat did not run the probe without its dialog: %r" % cur)

    # Another wave: 8-bit stereo, dropped on the window (the mono one was not changed: no question).
    clear_log(h, "probe")
    control(h, "probe", mutate=0, setup=1)
    h.drive("drop %s" % h.windows_path(eight), "wait-idle 1000 60")
    h.drive('answer-box "Current file not saved" "Save changes to" NO 5', check=False)
    h.drive("wait-idle 1000 60", "expect-no-dialog", "expect-title stereo8b.wav",
            "command %d" % MONO16, "wait-idle 1000 60", "expect-no-dialog",
            "command 1002", "wait-idle 500 30",  # Right Channel off: the left channel only
            "command %d" % CURRENT, "wait-idle 1000 60", "expect-no-dialog")
    f = fields(lines_with(log_lines(h, "probe04"), "do ch=")[-1])
    expect((f["ch"], f["bits"], f["fb"]) == ("1", "16", "2"), "mask 0x04 on 8-bit stereo: %r" % f)
    f = fields(lines_with(log_lines(h, "probe"), "do ch=")[-1])
    expect((f["ch"], f["bits"], f["fb"], f["rmask"], f["wmask"]) == ("1", "8", "1", "0x800", "0x100"),
           "left channel only: %r" % f)
    h.drive("close")
    h.drive('answer-box "Current file not saved" "Save changes to" NO 20', check=False)
    h.drive("wait-exit 60")
    h.expect_exit(prog, 0)
    expect(h.sox_values(mono) == original, "the mono wave changed on disk")
