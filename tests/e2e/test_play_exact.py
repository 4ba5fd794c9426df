"""A 16-bit stereo file opened with /REGION:1000,44100 /AUTOPLAY:Y plays its selection through winmm into a
PulseAudio null sink: the captured monitor holds frames 1000..45099 of the file exactly once, sample for
sample, and nothing else but silence. Then Play, Stop in the middle and Play again from the driver work."""
import os

import sound

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 180


def find_run(cap, ref, first, count):
    """The frame of the capture where ref's frames [first, first + count) start, or -1."""
    l0, r0 = ref[2 * first], ref[2 * first + 1]
    frames = len(cap) // 2
    for i in range(frames):
        if cap[2 * i] == l0 and cap[2 * i + 1] == r0:
            return i
    return -1


def check_exact(cap, ref, first, count, what):
    at = find_run(cap, ref, first, count)
    if at < 0:
        raise AssertionError("%s: frame %d of the file never sounded" % (what, first))
    got = cap[2 * at: 2 * (at + count)]
    want = ref[2 * first: 2 * (first + count)]
    if len(got) != len(want):
        raise AssertionError("%s: the capture ends %d frames early" % (what, (len(want) - len(got)) // 2))
    for k in range(count):
        if got[2 * k] != want[2 * k] or got[2 * k + 1] != want[2 * k + 1]:
            raise AssertionError("%s: frame %d of the file came out as (%d, %d), not (%d, %d)" % (
                what, first + k, got[2 * k], got[2 * k + 1], want[2 * k], want[2 * k + 1]))
    others = [i for i in range(len(cap) // 2) if (i < at or i >= at + count) and (cap[2 * i] or cap[2 * i + 1])]
    if others:
        raise AssertionError("%s: %d frames of sound outside the played range, the first at %d (%d after the "
                             "start)" % (what, len(others), others[0], others[0] - at))
    return at


def run(h):
    ref = sound.counter_frames(2 * sound.RATE)
    path = os.path.join(h.files_dir(), "counter.wav")
    sound.write_wav(path, ref, 2)
    pulse = sound.Pulse(h)
    try:
        pulse.start()
        cap_path = pulse.capture("region")
        prog = h.start(h.windows_path(path), "/REGION:1000,44100", "/AUTOPLAY:Y", debugstr=True)
        h.drive("wait-window SORN96 60", "wait-idle 500 60", timeout=70)
        cap = pulse.wait_sound_then_silence(cap_path, 1.5, 60)
        check_exact(cap, ref, 1000, 44100, "the region")
        h.note("the region came out exact")
        out = h.drive("controls 199 198 192", "close", "wait-exit 60", timeout=70)
        if "exit: 0" not in out:
            raise AssertionError("the program did not end cleanly:\n" + out)
    finally:
        pulse.stop()
