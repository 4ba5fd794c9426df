"""The "Select Wave Device" dialog with the sound server's devices: the playback and recording lists name
them, the playback grid says what the device plays (16-bit stereo at 44K among it), the recording grid is
filled too, and the 8-bit switch chosen there makes the next play of a 16-bit file an 8-bit stream. The chosen
names and the switch are in the settings file after the program ends. While playing, the first status field
shows the play position in samples instead of the wave format."""
import os
import re

import sound

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 180
PLAY_CELLS = range(3135, 3147)
RECORD_CELLS = range(3123, 3135)


def control_texts(out, title):
    """id -> text of the children of the top window titled title in a list-windows listing."""
    texts, inside = {}, False
    for line in out.splitlines():
        top = re.match(r'\s*window \S+ class "[^"]*" title "(.*)" pid', line)
        if top:
            inside = top.group(1) == title
            continue
        child = re.match(r'\s+\S+\s+id (-?\d+)\s*(?:\(disabled\))? "(.*)"$', line)
        if inside and child:
            texts[int(child.group(1))] = child.group(2)
    return texts


def run(h):
    path = os.path.join(h.files_dir(), "tone.wav")
    sound.write_wav(path, sound.counter_frames(2 * sound.RATE), 2)
    h.write_ini("[Settings]\nAutoPlayOnLoad=0\n[System]\nTimeMode=1\nLoTimeMode=1\n")
    pulse = sound.Pulse(h)
    try:
        pulse.start()
        h.start(h.windows_path(path))
        out = h.drive("wait-window SORN96 60", 'wait-title "tone.wav - " 60', "wait-idle 500 60",
                      "command 1222", 'wait-dialog "Select Wave Device"', "list-windows", timeout=80)
        c = control_texts(out, "Select Wave Device")
        play_name, record_name = c.get(3047, ""), c.get(3046, "")
        if not play_name or not record_name:
            raise AssertionError("the device lists name no device: playback %r, recording %r" % (play_name, record_name))
        grid = [c.get(i) for i in PLAY_CELLS]
        if grid[11] != "Yes" or any(v not in ("Yes", "-") for v in grid):
            raise AssertionError("the playback grid reads %r" % grid)
        if any(c.get(i) not in ("Yes", "-") for i in RECORD_CELLS):
            raise AssertionError("the recording grid reads %r" % [c.get(i) for i in RECORD_CELLS])
        # The 8-bit switch, then OK: the next play is an 8-bit stream.
        out = h.drive('tick "Select Wave Device" 3036', "sleep 200", 'press "Select Wave Device" OK',
                      'wait-gone "Select Wave Device"', "wait-idle 300 30", "command 199", timeout=60)
        formats = pulse.stream_formats()
        h.note("playing streams: %s" % formats)
        if not formats or any(f.split()[0] != "u8" for f in formats):
            raise AssertionError("after the 8-bit switch the file did not play as 8-bit: %s" % formats)
        out = h.drive("sleep 700", "list-windows", timeout=30)
        main = [t for t in re.findall(r'id 370\s*"(.*)"', out)]
        h.note("first status field while playing: %s" % main)
        if not main or not re.fullmatch(r" \d+", main[0]) or int(main[0]) <= 0:
            raise AssertionError("while playing the first status field reads %r, not the position" % main)
        out = h.drive("command 198", "command 198", "wait-idle 1500 30", "list-windows", timeout=40)
        main = re.findall(r'id 370\s*"(.*)"', out)
        if not main or "44100" not in main[0]:
            raise AssertionError("after playing the first status field reads %r, not the format" % main)
        out = h.drive("close", "wait-exit 60", timeout=70)
        if "exit: 0" not in out:
            raise AssertionError("the program did not end cleanly:\n" + out)
    finally:
        pulse.stop()
    ini = h.ini()
    h.expect_key(ini, "System", "WaveOut", play_name)
    h.expect_key(ini, "System", "WaveIn", record_name)
    if (h.key(ini, "System", "Convert16to8New") or "").upper() != "YES":
        raise AssertionError("[System] Convert16to8New is %r after the switch" % h.key(ini, "System", "Convert16to8New"))
