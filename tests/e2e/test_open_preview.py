"""The open dialog's information panel and preview: a name typed into the open dialog shows the file's format
and size as the reading filter reports them ("Unrecognized Format" for a file no filter reads), and with
PreviewFiles on the typed file plays through the sound server, sample for sample. Cancel stops it and opens
nothing."""
import os

import sound
from test_play_exact import check_exact

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 200
TITLE = "Open a Waveform"


def run(h):
    ref = sound.counter_frames(sound.RATE // 2)
    path = os.path.join(h.files_dir(), "preview.wav")
    sound.write_wav(path, ref, 2)
    mono = h.synth("mono8.wav", 11025, 1, "synth", "0.5", "sine", "300")
    os.system("sox -q %s -b 8 %s" % (mono, os.path.join(h.files_dir(), "eight.wav")))
    with open(os.path.join(h.files_dir(), "notes.txt"), "w") as f:
        f.write("not a sound\n" * 50)
    h.write_ini("[Settings]\nAutoPlayOnLoad=0\n[System]\nPreviewFiles=YES\n")
    pulse = sound.Pulse(h)
    try:
        pulse.start()
        cap_path = pulse.capture("preview")
        folder = h.windows_path(h.files_dir())
        h.start()
        out = h.drive("wait-window SORN96 60", "wait-idle 500 60", "command 1100", 'wait-dialog "%s" 60' % TITLE,
                      'fill "%s" 1148 "%s\\\\preview.wav"' % (TITLE, folder), "sleep 1500", "list-windows",
                      timeout=90)
        if '"44100 Hz    16-bit     Stereo"' not in out or '"86 K"' not in out:
            raise AssertionError("the panel does not describe preview.wav:\n" + out)
        cap = pulse.wait_sound_then_silence(cap_path, 1.5, 60)
        check_exact(cap, ref, 0, len(ref) // 2, "the preview")
        h.note("the preview came out exact")
        out = h.drive('fill "%s" 1148 "%s\\\\eight.wav"' % (TITLE, folder), "sleep 1000", "list-windows",
                      'fill "%s" 1148 "%s\\\\notes.txt"' % (TITLE, folder), "sleep 1000", "list-windows",
                      'press "%s" CANCEL' % TITLE, 'wait-gone "%s"' % TITLE, "wait-idle 500 30", timeout=60)
        parts = out.split("open windows:")
        if '"11025 Hz     8-bit     Mono"' not in parts[1]:
            raise AssertionError("the panel does not describe eight.wav:\n" + parts[1])
        if '"Unrecognized Format"' not in parts[2]:
            raise AssertionError("the panel does not call notes.txt unrecognized:\n" + parts[2])
        title = h.drive("title", timeout=30)
        if "preview" in title or "eight" in title:
            raise AssertionError("Cancel opened a file: " + title)
        out = h.drive("close", "wait-exit 60", timeout=70)
        if "exit: 0" not in out:
            raise AssertionError("the program did not end cleanly:\n" + out)
    finally:
        pulse.stop()
