"""An 8-bit stereo file plays as 8-bit (the sound server sees an 8-bit stream), and with the left channel alone
chosen for editing the right channel plays silent: the captured left channel is every frame of the file's
left channel, (u - 128) x 256, and the right one is silence."""
import os

import sound

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 180
FRAMES = 3 * sound.RATE


def run(h):
    left = [1 + (i * 7) % 254 for i in range(FRAMES)]  # never 128, the 8-bit zero
    right = [255 - (i % 100) for i in range(FRAMES)]
    data = bytearray()
    for a, b in zip(left, right):
        data += bytes((a, b))
    path = os.path.join(h.files_dir(), "eight.wav")
    sound.write_wav(path, data, 2, bits=8)
    h.write_ini("[Settings]\nAutoPlayOnLoad=0\n")
    pulse = sound.Pulse(h)
    try:
        pulse.start()
        cap_path = pulse.capture("eight")
        h.start(h.windows_path(path))
        h.drive("wait-window SORN96 60", 'wait-title "eight.wav - " 60', "wait-idle 500 60", "command 341", "wait-idle 300 30", "command 199",
                timeout=80)
        formats = pulse.stream_formats()
        h.note("playing streams: %s" % formats)
        if not formats or any("u8 2ch 44100Hz" not in f for f in formats):
            raise AssertionError("the file did not play as an 8-bit stereo stream: %s" % formats)
        cap = pulse.wait_sound_then_silence(cap_path, 1.5, 60)
        frames = len(cap) // 2
        at = next((i for i in range(frames) if cap[2 * i] or cap[2 * i + 1]), -1)
        if at < 0:
            raise AssertionError("nothing sounded")
        for k in range(FRAMES):
            want = (left[k] - 128) * 256
            got_l, got_r = cap[2 * (at + k)], cap[2 * (at + k) + 1]
            if got_l != want or got_r != 0:
                raise AssertionError("frame %d came out as (%d, %d), not (%d, 0)" % (k, got_l, got_r, want))
        rest = [i for i in range(at + FRAMES, frames) if cap[2 * i] or cap[2 * i + 1]]
        if rest:
            raise AssertionError("%d frames of sound after the file's end" % len(rest))
        out = h.drive("close", "wait-exit 60", timeout=70)
        if "exit: 0" not in out:
            raise AssertionError("the program did not end cleanly:\n" + out)
    finally:
        pulse.stop()
