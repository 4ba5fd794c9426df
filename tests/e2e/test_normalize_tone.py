"""The two transforms shipped with the program, run from their menu items on real files like a user would, with
the saved results measured by sox and numpy. Normalize with -3 dB typed in its dialog brings the peak of a quiet
stereo file to -3 dB (within 0.01 dB) and scales every sample by one gain; Undo gives the original back. Tone
Generator with 440 Hz at the default level replaces a one-second selection of a quiet file with a 440 Hz sine
of peak 50 %, exactly as long."""
import math
import subprocess

from test_xfm_generate import frames_of, save

PLUGINS = ["wavpcm.flt", "normalize.xfm", "tonegen.xfm"]
# Table order: "Amplitude\Normalize", "Tone Generator".
NORMALIZE, TONE = 7000, 7001
E2E_TIMEOUT = 240
RATE = 44100


def peak_db(path):
    out = subprocess.run(["sox", path, "-n", "stat"], stderr=subprocess.PIPE, text=True).stderr
    values = dict((k.strip(), v.strip()) for k, v in (line.split(":", 1) for line in out.splitlines() if ":" in line))
    peak = max(abs(float(values["Maximum amplitude"])), abs(float(values["Minimum amplitude"])))
    return 20 * math.log10(peak * 32768 / 32767)


def expect(ok, what):
    if not ok:
        raise AssertionError(what)


def run(h):
    # ---- Normalize to -3 dB.
    quiet = h.synth("quiet.wav", RATE, 2, "synth", "1", "sine", "300", "sine", "500", "vol", "0.2")
    orig = frames_of(quiet)
    before = peak_db(quiet)
    prog = h.start(h.windows_path(quiet), "/REGION:0,%d" % len(orig), debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog",
            "command %d" % NORMALIZE, 'wait-dialog "Normalize" 30', 'fill "Normalize" 1002 "-3"',
            'press "Normalize" OK', 'wait-gone "Normalize" 60', "wait-idle 1000 60", "expect-no-dialog")
    save(h, quiet)
    after = peak_db(quiet)
    h.note("peak %.3f dB -> %.3f dB" % (before, after))
    expect(abs(after + 3.0) <= 0.01, "after Normalize to -3 dB the peak is %.4f dB" % after)
    got = frames_of(quiet)
    expect(len(got) == len(orig), "Normalize changed the length")
    gain = 10 ** ((after - before) / 20)
    worst = max(abs(g - o * gain) for fg, fo in zip(got, orig) for g, o in zip(fg, fo))
    expect(worst <= 1.0, "the samples are not the original times one gain (off by up to %.2f)" % worst)
    h.drive("command 102", "wait-idle 1000 60", "expect-no-dialog")
    save(h, quiet)
    expect(frames_of(quiet) == orig, "Undo did not give the original back")
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
    debug = "".join(prog.debug_strings())
    expect("Normalize" in debug, "no run of Normalize in the debug output")

    # ---- Tone Generator: 440 Hz over a one-second selection of silence.
    silent = h.synth("silent.wav", RATE, 1, "trim", "0", "3")
    quiet_orig = [f[0] for f in frames_of(silent)]
    prog = h.start(h.windows_path(silent), "/REGION:%d,%d" % (RATE, RATE), debugstr=True)
    h.drive("wait-window SORN96 60", "wait-idle 1000 60", "expect-no-dialog",
            "command %d" % TONE, 'wait-dialog "Tone Generator" 30', 'fill "Tone Generator" 1105 "440"',
            'press "Tone Generator" OK', 'wait-gone "Tone Generator" 60', "wait-idle 1000 60", "expect-no-dialog")
    save(h, silent)
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
    got = [f[0] for f in frames_of(silent)]
    expect(len(got) == 3 * RATE, "the wave is %d frames long, not %d" % (len(got), 3 * RATE))
    expect(got[:RATE] == quiet_orig[:RATE] and got[2 * RATE:] == quiet_orig[2 * RATE:],
           "the tone reached outside the selection")
    tone = got[RATE:2 * RATE]
    peak = max(abs(v) for v in tone)
    expect(abs(20 * math.log10(peak / 32767) - 20 * math.log10(0.5)) <= 0.01,
           "the tone's peak is %d, not 50 %% of full scale" % peak)
    script = ("import numpy,sys\n"
              "x=numpy.array([float(v) for v in sys.stdin.read().split()])\n"
              "s=numpy.abs(numpy.fft.rfft(x*numpy.hanning(len(x))))\n"
              "k=int(numpy.argmax(s)); a,b,c=s[k-1],s[k],s[k+1]\n"
              "print((k+0.5*(a-c)/(a-2*b+c))*%d/len(x))\n" % RATE)
    out = subprocess.run(["/usr/bin/python3", "-c", script], input=" ".join(map(str, tone)),
                         stdout=subprocess.PIPE, text=True, check=True).stdout
    freq = float(out)
    h.note("tone at %.3f Hz, peak %d" % (freq, peak))
    expect(abs(freq - 440) < 0.5, "the tone is at %.3f Hz, not 440" % freq)
