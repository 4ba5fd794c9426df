#!/usr/bin/env python3
"""Generates the WAVE fixture corpus for the RIFF core's tests, with sox and by hand.

    make_wav_fixtures.py OUTDIR              writes OUTDIR/*.wav, OUTDIR/ref/*.raw and OUTDIR/manifest.tsv
    make_wav_fixtures.py --verify-roundtrip OUTDIR
                                             checks OUTDIR/roundtrip/*.wav (written by the test) with
                                             `sox --i`, sox's samples and python's wave module

manifest.tsv columns (tab-separated, one fixture a line):
    name  expect(open|refuse)  status  tolerance  rate  channels  bits  frames  meta
  status:    for refused files the reader status expected (e.g. UnsupportedCodec), else Ok
  tolerance: allowed difference in 16-bit steps between our samples and the reference (0 exact)
  bits:      the file's container bits; frames: whole frames the reader must deliver
  meta:      the metadata the reader must find, as the test dumps it ('|'-separated entries), or '-' for none
ref/<name>.raw holds the reference samples: `sox -D <file> -t raw -e signed-integer -b 16 -L -` of the
file itself, or for hand-damaged files of the intact file they were made from, cut to the frames that are
still whole.
"""
import os
import struct
import subprocess
import sys
import wave

RATE = 8000


def sox(*args):
    subprocess.run(["sox", "-R", "-D", "-V1", *args], check=True)


def sox_raw(path):
    return subprocess.run(["sox", "-R", "-D", "-V1", path, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L",
                           "-"], check=True, stdout=subprocess.PIPE).stdout


def chunk(cid, body, pad=True):
    b = cid.encode("latin-1") + struct.pack("<I", len(body)) + body
    if pad and len(body) % 2:
        b += b"\0"
    return b


def riff(chunks, size=None):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body) if size is None else size) + body


def split_wav(data):
    """Returns (fmt body, data body) of a canonical file."""
    pos, fmt, dat = 12, None, None
    while pos + 8 <= len(data):
        cid, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if cid == b"fmt " and fmt is None:
            fmt = body
        elif cid == b"data" and dat is None:
            dat = body
        pos += 8 + size + (size & 1)
    return fmt, dat


def extensible(fmt16):
    tag, ch, rate, brate, align, bits = struct.unpack("<HHIIHH", fmt16[:16])
    guid = struct.pack("<H", tag) + bytes([0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
    return struct.pack("<HHIIHHHHI", 0xFFFE, ch, rate, brate, align, bits, 22, bits, 3 if ch == 2 else 4) + guid


def z(text):
    return text.encode("latin-1") + b"\0"


def info_list(items):
    return chunk("LIST", b"INFO" + b"".join(chunk(k, z(v)) for k, v in items))


def cue_chunk(cues):
    body = struct.pack("<I", len(cues))
    for cid, pos in cues:
        body += struct.pack("<II4sIII", cid, 0, b"data", 0, 0, pos)
    return chunk("cue ", body)


def adtl_list(labels, notes, regions):
    subs = [chunk("labl", struct.pack("<I", i) + z(t)) for i, t in labels]
    subs += [chunk("note", struct.pack("<I", i) + z(t)) for i, t in notes]
    for i, length, purpose, text in regions:
        subs.append(chunk("ltxt", struct.pack("<II4sHHHH", i, length, purpose.encode(), 0, 0, 0, 0) +
                          (z(text) if text else b"")))
    # A short ltxt record (no room for its fixed fields) is skipped by the reader.
    subs.append(chunk("ltxt", struct.pack("<II", 9, 9)))
    return chunk("LIST", b"adtl" + b"".join(subs))


def plst_chunk(entries):
    return chunk("plst", struct.pack("<I", len(entries)) + b"".join(struct.pack("<III", *e) for e in entries))


def smpl_chunk(loops):
    body = struct.pack("<9I", 0, 0, 125000, 60, 0, 0, 0, len(loops), 0)
    for lid, start, end in loops:
        body += struct.pack("<6I", lid, 0, start, end, 0, 0)
    return chunk("smpl", body)


class Corpus:
    def __init__(self, out):
        self.out = out
        self.rows = []
        os.makedirs(os.path.join(out, "ref"), exist_ok=True)

    def path(self, name):
        return os.path.join(self.out, name + ".wav")

    def add_open(self, name, tol, rate, ch, bits, ref, frames=None, meta="-"):
        """ref: raw 16-bit reference samples; frames (when given) cuts them to the whole frames left."""
        if frames is not None:
            ref = ref[:frames * 2 * ch]
        with open(os.path.join(self.out, "ref", name + ".raw"), "wb") as f:
            f.write(ref)
        self.rows.append([name, "open", "Ok", str(tol), str(rate), str(ch), str(bits), str(len(ref) // (2 * ch)),
                          meta])

    def add_refuse(self, name, status):
        self.rows.append([name, "refuse", status, "0", "0", "0", "0", "0", "-"])

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def finish(self):
        with open(os.path.join(self.out, "manifest.tsv"), "w") as f:
            for r in self.rows:
                f.write("\t".join(r) + "\n")


def synth(c, name, *fmt, channels=2, length="0.03"):
    effect = ["sine", "441", "sine", "883"] if channels == 2 else ["sine", "557"]
    sox("-n", "-r", str(RATE), "-c", str(channels), *fmt, c.path(name), "synth", length, *effect, "vol", "0.8")
    return c.path(name)


def sox_made(c):
    for name, fmt, bits, tol in [("pcm8_mono_odd", ["-b", "8"], 8, 0), ("pcm16", ["-b", "16"], 16, 0),
                                 ("pcm24_ext", ["-b", "24"], 24, 1), ("pcm24_plain", ["-t", "wavpcm", "-b", "24"], 24, 1),
                                 ("pcm32", ["-b", "32"], 32, 1), ("float32", ["-e", "floating-point", "-b", "32"], 32, 1),
                                 ("float64", ["-e", "floating-point", "-b", "64"], 64, 1)]:
        ch = 1 if name.startswith("pcm8") else 2
        # 8-bit mono with an odd sample count: the data chunk is odd and followed by its pad byte.
        p = synth(c, name, *fmt, channels=ch, length="0.030125" if ch == 1 else "0.03")
        c.add_open(name, tol, RATE, ch, bits, sox_raw(p))
    # sox writing into a pipe cannot go back to patch the sizes.
    p = c.path("sox_pipe")
    with open(p, "wb") as f:
        subprocess.run(["sox", "-R", "-D", "-V1", "-n", "-r", str(RATE), "-c", "2", "-b", "16", "-t", "wav", "-",
                        "synth", "0.02", "sine", "300"], check=True, stdout=f)
    c.add_open("sox_pipe", 0, RATE, 2, 16, sox_raw(p))
    # What must be refused.
    synth(c, "ima_adpcm", "-e", "ima-adpcm", channels=1)
    c.add_refuse("ima_adpcm", "UnsupportedCodec")
    synth(c, "ms_adpcm", "-e", "ms-adpcm", channels=1)
    c.add_refuse("ms_adpcm", "UnsupportedCodec")
    synth(c, "ulaw", "-e", "u-law", channels=1)
    c.add_refuse("ulaw", "UnsupportedCodec")
    synth(c, "alaw", "-e", "a-law", channels=1)
    c.add_refuse("alaw", "UnsupportedCodec")
    synth(c, "gsm", "-e", "gsm-full-rate", channels=1)
    c.add_refuse("gsm", "UnsupportedCodec")
    sox("-n", "-r", str(RATE), "-c", "3", "-b", "16", c.path("three_channels"), "synth", "0.01", "sine", "300")
    c.add_refuse("three_channels", "TooManyChannels")
    sox("-n", "-r", str(RATE), "-c", "6", "-b", "24", c.path("six_channels_ext"), "synth", "0.01", "sine", "300")
    c.add_refuse("six_channels_ext", "TooManyChannels")
    aiff = os.path.join(c.out, "not_riff.aiff")
    sox("-n", "-r", str(RATE), "-c", "1", "-b", "16", aiff, "synth", "0.01", "sine", "300")
    os.replace(aiff, c.path("not_riff"))
    c.add_refuse("not_riff", "NotRiff")
    c.write("text_file", b"This is not a sound file.\n")
    c.add_refuse("text_file", "NotRiff")


def hand_made(c):
    base = open(c.path("pcm16"), "rb").read()
    fmt, data = split_wav(base)
    ref = sox_raw(c.path("pcm16"))
    frames = len(data) // 4
    d = chunk("data", data)
    variants = {
        "junk_before_fmt": riff([chunk("JUNK", b"\0" * 28), chunk("fmt ", fmt), d]),
        "odd_chunk_before_fmt": riff([chunk("bext", b"x" * 7), chunk("fmt ", fmt), d]),
        "fmt_after_data": riff([d, chunk("fmt ", fmt)]),
        "extensible16": riff([chunk("fmt ", extensible(fmt)), d]),
        "riff_size_0": riff([chunk("fmt ", fmt), d], size=0),
        "riff_size_ffffffff": riff([chunk("fmt ", fmt), d], size=0xFFFFFFFF),
        "data_size_0_streamed": riff([chunk("fmt ", fmt), b"data" + struct.pack("<I", 0) + data], size=0),
        "data_size_ffffffff": riff([chunk("fmt ", fmt), b"data" + struct.pack("<I", 0xFFFFFFFF) + data],
                                   size=0xFFFFFFFF),
    }
    for name, b in variants.items():
        c.write(name, b)
        c.add_open(name, 0, RATE, 2, 16, ref, meta="chunk WAVE bext 7" if name == "odd_chunk_before_fmt" else "-")
    whole = riff([chunk("fmt ", fmt), d])
    for name, cut in [("truncated_even", 44 + 600), ("truncated_odd", 44 + 603), ("truncated_in_frame", 44 + 602)]:
        c.write(name, whole[:cut])
        c.add_open(name, 0, RATE, 2, 16, ref, frames=(cut - 44) // 4)
    c.write("truncated_in_header", whole[:30])
    c.add_refuse("truncated_in_header", "NoFormat")
    c.write("no_data", riff([chunk("fmt ", fmt)]))
    c.add_refuse("no_data", "NoData")
    c.write("rifx", b"RIFX" + whole[4:])
    c.add_refuse("rifx", "NotRiff")
    assert frames > 100

    info = [("INAM", "Test tone"), ("IART", "Sorn"), ("ICMT", "odd")]
    c.write("info", riff([chunk("fmt ", fmt), d, info_list(info)]))
    c.add_open("info", 0, RATE, 2, 16, ref, meta="|".join("INFO %s %s" % kv for kv in info))

    cues = [(1, 10), (2, 100), (3, 200)]
    labels = [(1, "Intro"), (2, "Verse one")]
    notes = [(2, "first verse")]
    regions = [(2, 50, "rgn ", "txt"), (3, 0, "rgn ", "")]
    c.write("cues_labels", riff([chunk("fmt ", fmt), cue_chunk(cues), d, adtl_list(labels, notes, regions)]))
    meta = ["cue %d %d" % x for x in cues] + ["labl %d %s" % x for x in labels] + ["note %d %s" % x for x in notes]
    meta += ["ltxt %d %d %s %s" % r for r in regions]
    c.add_open("cues_labels", 0, RATE, 2, 16, ref, meta="|".join(meta))

    plst = [(1, 100, 2), (2, 50, 1)]
    c.write("plst", riff([chunk("fmt ", fmt), d, cue_chunk(cues[:2]), plst_chunk(plst)]))
    c.add_open("plst", 0, RATE, 2, 16, ref,
               meta="|".join(["cue %d %d" % x for x in cues[:2]] + ["plst %d %d %d" % e for e in plst]))

    loops = [(0, 10, 99), (5, 100, 50), (0, 20, 20)]  # the middle loop ends before it starts
    c.write("smpl", riff([chunk("fmt ", fmt), d, smpl_chunk(loops)]))
    c.add_open("smpl", 0, RATE, 2, 16, ref, meta="loop 0 10 99|loop 0 20 20|smpl 1")


def verify_roundtrip(out):
    """Checks the files the test wrote: sox's header view and samples, and python's wave module."""
    failures = 0
    rt = os.path.join(out, "roundtrip")
    rows = [l.rstrip("\n").split("\t") for l in open(os.path.join(out, "manifest.tsv"))]
    checked = 0
    for name, expect, _, tol, rate, ch, bits, frames, _ in rows:
        p = os.path.join(rt, name + ".wav")
        if expect != "open" or not os.path.exists(p):
            continue
        checked += 1
        wbits = int(bits) if int(bits) <= 16 else 32
        info = subprocess.run(["sox", "--i", p], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True).stdout
        got = {k: subprocess.run(["sox", "--i", "-" + k, p], stdout=subprocess.PIPE, text=True).stdout.strip()
               for k in "rcbs"}
        if got != {"r": rate, "c": ch, "b": str(wbits), "s": frames}:
            print("%s: sox --i says %s, expected rate %s channels %s bits %d frames %s\n%s" %
                  (name, got, rate, ch, wbits, frames, info))
            failures += 1
        ref = open(os.path.join(out, "ref", name + ".raw"), "rb").read()
        mine = sox_raw(p)
        if len(mine) != len(ref):
            print("%s: sox reads %d bytes, reference has %d" % (name, len(mine), len(ref)))
            failures += 1
        else:
            a = struct.unpack("<%dh" % (len(ref) // 2), ref)
            b = struct.unpack("<%dh" % (len(mine) // 2), mine)
            worst = max((abs(x - y) for x, y in zip(a, b)), default=0)
            if worst > int(tol):
                print("%s: sox's samples differ from the reference by %d" % (name, worst))
                failures += 1
        if wbits <= 16:
            with wave.open(p, "rb") as w:
                if (w.getframerate(), w.getnchannels(), w.getsampwidth() * 8, w.getnframes()) != \
                        (int(rate), int(ch), wbits, int(frames)):
                    print("%s: python wave reads %s" % (name, w.getparams()))
                    failures += 1
                data = w.readframes(w.getnframes())
                if len(data) != int(frames) * int(ch) * wbits // 8:
                    print("%s: python wave delivered %d bytes" % (name, len(data)))
                    failures += 1
    print("verified %d round-trip files, %d failures" % (checked, failures))
    return 1 if failures or checked == 0 else 0


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--verify-roundtrip":
        return verify_roundtrip(sys.argv[2])
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    c = Corpus(sys.argv[1])
    sox_made(c)
    hand_made(c)
    c.finish()
    print("wrote %d fixtures to %s" % (len(c.rows), c.out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
