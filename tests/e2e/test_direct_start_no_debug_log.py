"""A user's start: sorn96.exe run directly with a file and no debug log named, an edit, and a close that
declines to save, ten starts in a row, each exiting with code 0. With no debugger attached the debug lines go
nowhere, so nothing raises the exception that writing to a debugger would."""
import os

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 500
STARTS = 10


def run(h):
    h.env.pop("SORN_DEBUG_LOG", None)  # as a user starts it, whatever the test run's environment says
    wav = h.synth("tone.wav", 22050, 2, "synth", "1", "sine", "440")
    for n in range(1, STARTS + 1):
        prog = h.start(h.windows_path(wav))
        out = h.drive("wait-window SORN96 60", 'wait-title "tone.wav - " 60', "wait-idle 500 60",
                      "expect-no-dialog", "command 115", "command 3100", 'wait-title "tone.wav*" 60',
                      "wait-idle 500 60", "expect-no-dialog", "title",
                      "close", 'answer-box "Current file not saved" "Save changes to" NO 60', "wait-exit 60",
                      check=False, timeout=100)
        rc = h.wait_exit(prog, 60)
        if rc != 0:
            raise AssertionError("start %d: the program exited with %d\n%s" % (n, rc, out))
        if "title: tone.wav*" not in out:
            raise AssertionError("start %d: the edit did not mark the document changed:\n%s" % (n, out))
        if "exit: 0\n" not in out:
            raise AssertionError("start %d: the driver saw another exit:\n%s" % (n, out))
        if prog.debug_path and os.path.exists(prog.debug_path):
            raise AssertionError("start %d: a debug log was written although none was named" % n)
