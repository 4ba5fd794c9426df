"""A generator and a length changer on real files, checked in the saved WAVs. The generator probe asked for 1000
frames over a 500-frame selection with replace set writes 800: the wave grows by 300, the 800 frames are its
pattern, the frames around keep their values; Undo ("Undo Generate ...") brings the original back bit for bit. Without a wave it
runs into a new one.
The length probe halves a 500-frame selection: the cues inside it are rescaled into the 250 frames, the one
after it moves up by 250; Undo restores samples and cues. A transform asking for the auto-crossfade has its 32-bit
writes faded in from and back to the old audio over the first and last 50 ms of its range."""
import struct
import wave

import math

from xfm_probes import control, expect, fields, lines_with, log_lines

PLUGINS = ["wavpcm.flt", "probe.xfm", "oldprobe.xfm", "genprobe.xfm", "lenprobe.xfm", "fadeprobe.xfm"]
# Table order: Current, Fade, Generator, Length, Old.
FADE, GENERATOR, LENGTH = 7001, 7002, 7003
E2E_TIMEOUT = 240
RATE = 8000
START, COUNT = 1000, 500


def frames_of(path):
    with wave.open(path, "rb") as w:
        n, ch = w.getnframes(), w.getnchannels()
        data = w.readframes(n)
    values = struct.unpack("<%dh" % (len(data) // 2), data)
    return [tuple(values[i * ch:(i + 1) * ch]) for i in range(n)]


def chunk(cid, body):
    return cid.encode("latin-1") + struct.pack("<I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


def add_cues(path, points):
    with open(path, "rb") as f:
        data = f.read()
    cue = struct.pack("<I", len(points)) + b"".join(
        struct.pack("<II4sIII", i + 1, 0, b"data", 0, 0, p) for i, p in enumerate(points))
    body = data[12:] + chunk("cue ", cue)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body)


def cues_of(path):
    with open(path, "rb") as f:
        data = f.read()
    at = 12
    while at + 8 <= len(data):
        cid, size = data[at:at + 4], struct.unpack_from("<I", data, at + 4)[0]
        if cid == b"cue ":
            n = struct.unpack_from("<I", data, at + 8)[0]
            return sorted(struct.unpack_from("<II4sIII", data, at + 12 + 24 * i)[5] for i in range(n))
        at += 8 + size + (size & 1)
    return []


def save(h, path):
    h.drive("command 1151", "wait-idle 1000 60")
    h.drive('answer-box "%s" "flush the virtual file" YES 3' % h.windows_path(path), check=False)
    h.drive("wait-idle 1000 60", "expect-no-dialog")


def pattern(k, ch):
    return (k * 7 + ch * 1000) % 20000 - 10000


def run(h):
    # ---- The generator.
    gen = h.synth("gen.wav", RATE, 2, "synth", "1", "sine", "440", "sine", "660", "vol", "0.7")
    orig = frames_of(gen)
    control(h, "genprobe", gen=1000, replace=1, produce=800)
    prog = h.start(h.windows_path(gen), "/REGION:%d,%d" % (START, COUNT), debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog",
            "command %d" % GENERATOR, "wait-idle 1000 60", "expect-no-dialog")
    save(h, gen)
    got = frames_of(gen)
    expect(len(got) == len(orig) + 300, "after the generator %d frames, expected %d" % (len(got), len(orig) + 300))
    expect(got[:START] == orig[:START], "frames before the selection changed")
    expect(got[START + 800:] == orig[START + COUNT:], "frames after the generated ones are not the old tail")
    want = [tuple(pattern(k, c) for c in range(2)) for k in range(800)]
    expect(got[START:START + 800] == want, "the generated frames are not the probe's pattern")
    g = log_lines(h, "genprobe")
    do = fields(lines_with(g, "gendo ch=")[-1])
    expect((do["first"], do["last"]) == (str(START), str(START + 999)), "generator's range: %r" % do)
    expect(lines_with(g, "gen produced=800 written=800"), "generator log: %r" % g[-3:])
    expect(lines_with(g, "calls") and lines_with(g, "calls")[-1].endswith("stack ok"), "generator stack: %r" % g[-3:])
    h.drive("command 102", "wait-idle 1000 60", "expect-no-dialog")
    save(h, gen)
    back = frames_of(gen)
    expect(back == orig, "Undo Generate did not restore the original (%d frames, %d differ)" % (
        len(back), sum(1 for a, b in zip(back, orig) if a != b) + abs(len(back) - len(orig))))
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
    debug = "".join(prog.debug_strings())
    expect('xfm: run 2 "Probes\\Generator Probe"' in debug, "no run in the debug output:\n" + debug)

    # ---- Without a wave the generator gets a new one (2 channels, 16 bits, 44100 Hz).
    control(h, "genprobe", gen=500, replace=1, produce=500)
    prog = h.start(debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", "command %d" % GENERATOR,
            "wait-idle 1000 60", "expect-no-dialog", "expect-title Untitled", "close",
            'answer-box "Current file not saved" "Save changes to" NO 60', "wait-exit 60")
    h.expect_exit(prog, 0)
    do = fields(lines_with(log_lines(h, "genprobe"), "gendo ch=")[-1])
    expect((do["ch"], do["bits"], do["rate"], do["first"], do["last"]) == ("2", "16", "44100", "0", "499"),
           "generator without a wave: %r" % do)

    # ---- The length changer over cues.
    cues = [1000, 1200, 1400, 3000]
    ln = h.synth("len.wav", RATE, 1, "synth", "1", "sine", "300", "vol", "0.5")
    add_cues(ln, cues)
    orig = frames_of(ln)
    control(h, "lenprobe", newlen=250)
    prog = h.start(h.windows_path(ln), "/REGION:%d,%d" % (START, COUNT), debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog",
            "command %d" % LENGTH, "wait-idle 1000 60", "expect-no-dialog")
    save(h, ln)
    got = frames_of(ln)
    expect(len(got) == len(orig) - 250, "after the length change %d frames" % len(got))
    expect(got[:START + 250] == orig[:START + 250] and got[START + 250:] == orig[START + COUNT:],
           "the length probe's cut is not where it should be")
    expect(cues_of(ln) == [1000, 1100, 1200, 2750], "cues after halving [1000, 1499]: %r" % cues_of(ln))
    lp = log_lines(h, "lenprobe")
    expect(lines_with(lp, "len from=500 to=250 changed=250"), "length probe log: %r" % lp)
    h.drive("command 102", "wait-idle 1000 60", "expect-no-dialog")
    save(h, ln)
    expect(frames_of(ln) == orig, "Undo did not restore the samples of the length change")
    expect(cues_of(ln) == cues, "Undo did not restore the cues: %r" % cues_of(ln))
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)

    # ---- Auto-crossfade: the fade probe's constant fades in from the old audio over the first 50 ms of its
    # range and back to it over the last 50 ms.
    fade = h.synth("fade.wav", RATE, 1, "synth", "1", "sine", "200", "vol", "0.3")
    orig = frames_of(fade)
    ini_path = h.ini_path()
    with open(ini_path, "rb") as f:
        text = f.read().decode("cp1252")
    expect("\r\n[System]\r\n" in text, "no [System] section in the settings file")
    text = text.replace("\r\n[System]\r\n", "\r\n[System]\r\nAutoCrossfade=YES\r\nAutoCrossfadeSize=50\r\n", 1)
    with open(ini_path, "wb") as f:
        f.write(text.encode("cp1252"))
    prog = h.start(h.windows_path(fade), "/REGION:1000,2000", debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog", "command %d" % FADE,
            "wait-idle 1000 60", "expect-no-dialog")
    save(h, fade)
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
    got = frames_of(fade)
    n, S, E = 400, 1000, 2999
    expect(len(got) == len(orig) and got[:S] == orig[:S] and got[E + 1:] == orig[E + 1:],
           "the fade probe changed frames outside its range")
    worst = 0
    for k in range(S, E + 1):
        i = k - S
        w = math.sin(i / n * 1.57079632675) ** 2 if i < n else 1.0
        if k > E - n:
            j = k - (E - n + 1)
            w = 1.0 - math.sin(j / n * 1.57079632675) ** 2
        want = (1 - w) * orig[k][0] + w * 16000
        worst = max(worst, abs(got[k][0] - want))
    expect(worst <= 1.0, "the cross-faded range is off by %g" % worst)
