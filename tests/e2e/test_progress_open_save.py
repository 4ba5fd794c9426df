"""Opening and saving a large wave show the progress window made from the "ID_PROGRESS" dialog: caption
"Progress", the operation's title (109), estimate (118), percentage (121), state (3086), Pause (3121), Cancel
(2) and "_" (3088). Pause holds the open's peak scan (the state reads "Paused", the button "Continue" and the
percentage stands still) until Continue. Cancel stops a Save As: the window goes, no file is left under the
new name, the document keeps its name and the source file is untouched; a second Save As then writes every
sample, so nothing was lost. Saving undo data for an edit of the whole wave shows the window as well, and
Cancel there (with No to going on without undo) leaves the document unchanged."""
import hashlib
import os
import re
import subprocess

PLUGINS = ["wavpcm.flt"]
# A 100 MB scan, one and a half saves of it and a part of an undo copy under the emulator.
E2E_TIMEOUT = 300


def digest(path):
    h = hashlib.sha256()
    p = subprocess.Popen(["sox", "-D", path, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L", "-"],
                         stdout=subprocess.PIPE)
    for block in iter(lambda: p.stdout.read(1 << 20), b""):
        h.update(block)
    if p.wait() != 0:
        raise AssertionError("sox could not read %s" % path)
    return h.hexdigest()


def progress_windows(out):
    """The children of every window titled "Progress" in a list-windows output: [{id: text}]."""
    found = []
    current = None
    for line in out.splitlines():
        m = re.match(r'\s+window \S+ class "([^"]*)" title "([^"]*)"', line)
        if m:
            current = {"class": m.group(1)} if m.group(2) == "Progress" else None
            if current is not None:
                found.append(current)
            continue
        m = re.match(r'\s+\S+\s+id (-?\d+)\s*(?:\(disabled\))?\s*"(.*)"$', line)
        if m and current is not None:
            current[int(m.group(1))] = m.group(2)
    return found


def check_progress_dialog(out, title_part, when):
    windows = progress_windows(out)
    if len(windows) != 1:
        raise AssertionError("%s: expected one progress window, saw %d" % (when, len(windows)))
    w = windows[0]
    if w["class"] != "#32770":
        raise AssertionError("%s: the progress window is no dialog (%s)" % (when, w["class"]))
    expected = {118: r"^ETA:", 121: r"^ ?\d+ %$", 3086: r"^(Working\.\.\.|Paused)$", 3121: r"^(Pause|Continue)$",
                2: r"^Cancel$", 3088: r"^_$"}
    for cid, pattern in expected.items():
        if cid not in w or not re.search(pattern, w[cid]):
            raise AssertionError("%s: control %d is %r, expected %s" % (when, cid, w.get(cid), pattern))
    if title_part not in w.get(109, ""):
        raise AssertionError("%s: the title (109) is %r, expected it to name %r" % (when, w.get(109), title_part))
    return w


def run(h):
    files = h.files_dir()
    # 600 s of 44.1 kHz 16-bit stereo: 105,840,044 bytes, so that each operation lasts seconds.
    big = h.synth("big.wav", 44100, 2, "synth", "600", "sine", "100-2000", "vol", "0.5")
    before = digest(big)
    prog = h.start(h.windows_path(big), debugstr=True)

    # Open: the peak scan runs under the progress window; pause it, see it stand still, continue.
    out = h.drive("wait-window SORN96 60", 'wait-dialog "Progress" 90', "list-windows",
                  'press "Progress" 3121 30', "sleep 1500", "list-windows", "sleep 2500", "list-windows",
                  'press "Progress" 3121 30', "sleep 300", "list-windows", timeout=120)
    parts = out.split("open windows:")
    if len(parts) < 5:
        raise AssertionError("the driver listed the windows %d times, expected 4" % (len(parts) - 1))
    check_progress_dialog(parts[1], "Scanning File...", "opening")
    paused1 = check_progress_dialog(parts[2], "Scanning File...", "paused")
    paused2 = check_progress_dialog(parts[3], "Scanning File...", "still paused")
    if paused1[3086] != "Paused" or paused1[3121] != "Continue":
        raise AssertionError("Pause did not show \"Paused\" / \"Continue\": %r" % paused1)
    if paused1[121] != paused2[121]:
        raise AssertionError("the scan went on while paused: %s then %s" % (paused1[121], paused2[121]))
    # After Continue the scan goes on: still under way, or already over with the file open.
    if progress_windows(parts[4]):
        going = check_progress_dialog(parts[4], "Scanning File...", "continued")
        if going[3086] != "Working..." or going[3121] != "Pause":
            raise AssertionError("Continue did not show \"Working...\" / \"Pause\": %r" % going)
    elif 'title "big.wav - Sorn Edit"' not in parts[4]:
        raise AssertionError("after Continue the scan neither went on nor ended")
    h.note("paused at %s" % paused1[121])

    h.drive('wait-gone "Progress" 150', 'wait-title "big.wav - " 60', "wait-idle 1000 60", "expect-no-dialog",
            timeout=220)

    # Save As, cancelled in its progress window: nothing written, nothing renamed, the source untouched.
    copy = os.path.join(files, "copy.wav")
    out = h.drive("command 1150", 'wait-dialog "Save Waveform As" 100',
                  'fill "Save Waveform As" 1148 "%s"' % h.windows_path(copy), 'press "Save Waveform As" 1',
                  'wait-gone "Save Waveform As" 60', 'wait-dialog "Progress" 100', "list-windows",
                  'press "Progress" 2 30', 'wait-gone "Progress" 60', "wait-idle 1000 60", "expect-no-dialog",
                  "title", timeout=220)
    check_progress_dialog(out.split("open windows:")[1], "Saving", "saving")
    if "title: big.wav - Sorn Edit" not in out:
        raise AssertionError("a cancelled Save As renamed the document")
    if os.path.exists(copy):
        raise AssertionError("a cancelled Save As left %s behind (%d bytes)" % (copy, os.path.getsize(copy)))
    if digest(big) != before:
        raise AssertionError("a cancelled Save As changed the source file")

    # Nothing lost: a full Save As writes every sample of the original.
    copy2 = os.path.join(files, "copy2.wav")
    h.drive("command 1150", 'wait-dialog "Save Waveform As" 100',
            'fill "Save Waveform As" 1148 "%s"' % h.windows_path(copy2), 'press "Save Waveform As" 1',
            'wait-gone "Save Waveform As" 60', 'wait-title "copy2.wav - " 200', 'wait-gone "Progress" 60',
            "wait-idle 1500 60", "expect-no-dialog", timeout=280)
    if digest(copy2) != before:
        raise AssertionError("the document saved after the cancel differs from the original")

    # Undo data for an edit of the whole wave is saved under the progress window too; Cancel there and No
    # to going on without undo leave the document as it was: closing asks nothing.
    out = h.drive("command 115", "wait-idle 500 30", "command 3100", 'wait-dialog "Progress" 60', "list-windows",
                  'press "Progress" 2 30',
                  'answer-box "Undo Saving Cancelled" "Do you wish to continue" NO 60',
                  'wait-gone "Progress" 30', "wait-idle 1000 60", "expect-no-dialog", timeout=150)
    check_progress_dialog(out.split("open windows:")[1], "Saving Undo Data", "saving undo data")
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
    if digest(copy2) != before:
        raise AssertionError("the cancelled edit changed the saved file")
