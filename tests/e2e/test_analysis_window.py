"""The frequency analysis window on a sox-made 440 Hz tone: Alt+Z opens "Analysis - tone.wav" with the pitch
text near 440 Hz naming A4, the default size and window and the range 120.0; the spectrum is drawn with its
peak near 440 Hz of 22050 (a screenshot); Line View off draws bars; a new FFT size and window give the pitch
again; the range edit clamps 10 to 24 and 500 to 240; Scan shows "Scanning...", stops on Stop, and when run to
its end puts its peak within 0.5 dB of precise mode's; Close leaves the window plain "Analysis" with no pitch;
at exit [System], [Size] Analyzer and [Position] hold what was chosen. A second start on a stereo file reopens
the window by itself with the chosen settings, the pitch of both channels and a pane for each."""
import re
import subprocess

PLUGINS = ["wavpcm.flt"]
E2E_TIMEOUT = 300

TITLE = "Analysis - tone.wav"
LINE = (96, 255, 96)  # the left channel's colour in the graph
RIGHT = (255, 208, 64)  # the right channel's
IDC_AN_FREQ, IDC_AN_SIZE, IDC_AN_WINDOW, IDC_AN_RANGE, IDC_AN_LINES, IDC_AN_SCAN = 1502, 1503, 1504, 1505, 1506, 1507
VK_MENU, VK_Z = 18, 90


def control_text(out, cid):
    """The text the last window listing shows for control cid (the analysis window is the only one with it)."""
    found = re.findall(r'id %d +(?:\(disabled\) )?"([^"]*)"' % cid, out)
    if not found:
        raise AssertionError("control %d is not listed:\n%s" % (cid, out[-3000:]))
    return found[-1]


def pitch(out):
    text = control_text(out, IDC_AN_FREQ)
    m = re.fullmatch(r" +([0-9.e+]+) Hz \(([A-G]#?)(-?\d+) ([+-]\d+)\)", text)
    if not m:
        raise AssertionError("the pitch text %r is not \" %%7.5g Hz (note)\"" % text)
    return float(m.group(1)), m.group(2) + m.group(3), int(m.group(4)), text


def expect_a4(h, out, what):
    f, note, cents, text = pitch(out)
    h.note("%s: %r" % (what, text))
    if abs(f - 440.0) > 0.5 or note != "A4" or abs(cents) > 3:
        raise AssertionError("%s: the pitch text %r does not name 440 Hz, A4" % (what, text))


def line_pixels(png, colour=LINE):
    """(x, y) of every pixel of a channel's colour."""
    size = subprocess.run(["identify", "-format", "%w %h", png], check=True, stdout=subprocess.PIPE,
                          timeout=60).stdout.split()
    w = int(size[0])
    raw = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], check=True, stdout=subprocess.PIPE,
                         timeout=60).stdout
    pts = []
    for i in range(0, len(raw) - 2, 3):
        if (raw[i], raw[i + 1], raw[i + 2]) == colour:
            p = i // 3
            pts.append((p % w, p // w))
    return pts


def bottom_coverage(pts):
    """The share of the drawn columns that have a pixel in the lowest row drawn."""
    bottom = max(p[1] for p in pts)
    cols = {p[0] for p in pts}
    return len({p[0] for p in pts if p[1] == bottom}) / len(cols)


def analyses(debug):
    """(kind, N, window, dB, Hz) of the debug lines the window writes after each analysis of the left channel,
    in order."""
    out = []
    for line in debug:
        m = re.search(r"Analysis: (precise|scan) channel 0 N=(\d+) window (\d) peak (-?[0-9.]+) dB at ([0-9.]+) Hz",
                      line)
        if m:
            out.append((m.group(1), int(m.group(2)), int(m.group(3)), float(m.group(4)), float(m.group(5))))
    return out


def run(h):
    wav = h.synth("tone.wav", 44100, 1, "synth", "12", "sine", "440", "vol", "0.5")
    prog = h.start(h.windows_path(wav), "/REGION:22050,66149", debugstr=True)
    out = h.drive("wait-window SORN96 60", "wait-idle 1500 60", "key %d %d" % (VK_Z, VK_MENU),
                  'wait-dialog "%s" 60' % TITLE, "wait-idle 1000 60", "list-windows")
    expect_a4(h, out, "opened")
    for cid, want in ((IDC_AN_SIZE, "2048"), (IDC_AN_WINDOW, "Blackmann-Harris"), (IDC_AN_RANGE, "120.0")):
        if control_text(out, cid) != want:
            raise AssertionError("control %d shows %r, not %r" % (cid, control_text(out, cid), want))

    # The spectrum: a line across the graph whose highest point sits near 440 of 22050 Hz.
    pts = line_pixels(h.screenshot("analysis-lines"))
    if len(pts) < 200:
        raise AssertionError("the graph shows too few line pixels (%d)" % len(pts))
    x0, x1 = min(p[0] for p in pts), max(p[0] for p in pts)
    top = min(p[1] for p in pts)
    peak_x = sum(p[0] for p in pts if p[1] == top) / len([p for p in pts if p[1] == top])
    h.note("line pixels %d over x %d..%d, peak at x %.1f (top y %d)" % (len(pts), x0, x1, peak_x, top))
    if x1 - x0 < 300:
        raise AssertionError("the line spans only %d columns" % (x1 - x0))
    where = (peak_x - x0) / (x1 - x0) * 22050
    if abs(where - 440) > 0.02 * 22050:
        raise AssertionError("the drawn peak sits at about %.0f Hz, not 440 Hz" % where)

    # Line View off: bars from every column down to the bottom of the graph, where the line ran above it
    # wherever the tone's noise lies above -120 dB.
    h.drive('press "%s" %d' % (TITLE, IDC_AN_LINES), "wait-idle 800 60")
    bars = line_pixels(h.screenshot("analysis-bars"))
    line_floor, bar_floor = bottom_coverage(pts), bottom_coverage(bars)
    h.note("columns reaching the bottom: %.2f with the line, %.2f with bars (%d pixels against %d)"
           % (line_floor, bar_floor, len(bars), len(pts)))
    if bar_floor < 0.95 or line_floor > bar_floor - 0.15 or len(bars) < 1.3 * len(pts):
        raise AssertionError("Line View off did not draw bars")
    # The peak's bar is filled from the top of the spectrum down to the bottom.
    bottom = max(p[1] for p in bars)
    tallest = max(sum(1 for p in bars if p[0] == x) for x in {p[0] for p in bars})
    if tallest < 0.8 * (bottom - min(p[1] for p in bars)):
        raise AssertionError("the peak's bar is not filled (%d pixels)" % tallest)

    # Another size and window: the pitch again; the range edit clamps.
    out = h.drive('select-combo "%s" %d 7' % (TITLE, IDC_AN_SIZE), "wait-idle 1000 60",
                  'select-combo "%s" %d 1' % (TITLE, IDC_AN_WINDOW), "wait-idle 1000 60", "list-windows",
                  'fill "%s" %d "10"' % (TITLE, IDC_AN_RANGE), 'press "%s" OK' % TITLE, "wait-idle 500 60",
                  "list-windows")
    expect_a4(h, out, "N=16384, Hanning")
    if control_text(out, IDC_AN_SIZE) != "16384" or control_text(out, IDC_AN_WINDOW) != "Hanning":
        raise AssertionError("the lists do not show the new size and window")
    if control_text(out, IDC_AN_RANGE) != "24.0":
        raise AssertionError("a range of 10 shows %r, not 24.0" % control_text(out, IDC_AN_RANGE))
    out = h.drive('fill "%s" %d "500"' % (TITLE, IDC_AN_RANGE), 'press "%s" OK' % TITLE, "wait-idle 500 60",
                  "list-windows", 'fill "%s" %d "90"' % (TITLE, IDC_AN_RANGE), 'press "%s" OK' % TITLE,
                  "wait-idle 800 60", "list-windows")
    if "240.0" not in re.findall(r'id %d +"([^"]*)"' % IDC_AN_RANGE, out):
        raise AssertionError("a range of 500 did not show 240.0")
    if control_text(out, IDC_AN_RANGE) != "90.0":
        raise AssertionError("the range 90 shows %r" % control_text(out, IDC_AN_RANGE))
    h.screenshot("analysis-16384-hanning-90db")

    # Scan over the whole wave at N = 32768: the progress window says "Scanning...".
    out = h.drive('select-combo "%s" %d 8' % (TITLE, IDC_AN_SIZE), "wait-idle 1000 90", "command 115",
                  "wait-idle 1000 90", 'press "%s" %d' % (TITLE, IDC_AN_SCAN), 'wait-dialog "Progress" 60',
                  'press "Progress" 2', 'wait-gone "Progress" 60', "wait-idle 1000 60",
                  # Stopped, the window is usable again: Scan can be pressed once more and runs to its end.
                  'press "%s" %d' % (TITLE, IDC_AN_SCAN), 'wait-dialog "Progress" 60',
                  "list-windows", 'wait-gone "Progress" 120', "wait-idle 1000 60",
                  timeout=200)
    if "Scanning..." not in out:
        raise AssertionError("the progress window did not say \"Scanning...\"")
    # Closing the document: the window is plain "Analysis" with no pitch, and Scan is greyed.
    out = h.drive("command 3148", 'wait-dialog "Analysis" 60', "wait-idle 1000 60", "list-windows")
    if control_text(out, IDC_AN_FREQ) != "       0 Hz ()":
        raise AssertionError("after Close the pitch text is %r" % control_text(out, IDC_AN_FREQ))
    if not re.search(r'id %d +\(disabled\) "S&can"' % IDC_AN_SCAN, out):
        raise AssertionError("Scan is not greyed after Close")
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)

    done = analyses(prog.debug_strings())
    h.note("analyses: %r" % done)
    for n, window in ((2048, 5), (16384, 1), (32768, 1)):
        if not any(a[:3] == ("precise", n, window) and abs(a[4] - 440) < 25 for a in done):
            raise AssertionError("no precise analysis with N=%d window %d peaking near 440 Hz" % (n, window))
    if not any("Analysis: stopped scan channel 0 N=32768" in line for line in prog.debug_strings()):
        raise AssertionError("Stop in the progress window did not stop the first scan")
    scans = [i for i, a in enumerate(done) if a[0] == "scan"]
    if len(scans) != 1 or done[scans[0]][1:3] != (32768, 1):
        raise AssertionError("not one scan with N=32768 window 1")
    scan = done[scans[0]]
    # The analysis just before it is precise mode over the same selection (everything) with the same settings.
    before = done[scans[0] - 1] if scans[0] > 0 else None
    if not before or before[:3] != ("precise", 32768, 1):
        raise AssertionError("no precise analysis of the selection before the scan")
    if abs(scan[3] - before[3]) > 0.5:
        raise AssertionError("the scan peak %.2f dB is not within 0.5 dB of precise mode's %.2f dB"
                             % (scan[3], before[3]))
    if abs(scan[4] - 440) > 2:
        raise AssertionError("the scan peak sits at %.1f Hz" % scan[4])

    ini = h.ini()
    h.expect_key(ini, "System", "AnalysisSize", "32768")
    h.expect_key(ini, "System", "AnalysisWindowType", "1")
    h.expect_key(ini, "System", "AnalysisRange", "90")
    h.expect_key(ini, "Size", "Analyzer", "1")
    h.expect_key(ini, "Position", "AnalyzeNormal", "0")
    for k in ("AnalyzeX", "AnalyzeY", "AnalyzeW", "AnalyzeH"):
        h.expect_int_key(ini, "Position", k)

    # A second start with a stereo file: the window comes back by itself with the saved settings and names the
    # pitch of each channel; the graph has a pane per channel.
    stereo = h.synth("stereo.wav", 44100, 2, "synth", "4", "sine", "440", "sine", "1000", "vol", "0.5")
    prog = h.start(h.windows_path(stereo), debugstr=True)
    out = h.drive("wait-window SORN96 60", 'wait-dialog "Analysis - stereo.wav" 60', "wait-idle 1500 60",
                  "list-windows")
    text = control_text(out, IDC_AN_FREQ)
    h.note("stereo: %r" % text)
    m = re.fullmatch(r" L= +([0-9.]+) Hz \((A4 [+-]\d+)\), R= +([0-9.]+) Hz \((B5 [+-]\d+)\)", text)
    if not m or abs(float(m.group(1)) - 440) > 0.5 or abs(float(m.group(3)) - 1000) > 1:
        raise AssertionError("the stereo pitch text %r does not name 440 Hz (A4) and 1000 Hz (B5)" % text)
    if control_text(out, IDC_AN_SIZE) != "32768" or control_text(out, IDC_AN_WINDOW) != "Hanning":
        raise AssertionError("the reopened window does not show the saved size and window")
    if control_text(out, IDC_AN_RANGE) != "90.0":
        raise AssertionError("the reopened window shows the range %r" % control_text(out, IDC_AN_RANGE))
    if not re.search(r'id %d +\(disabled\) "S&can"' % IDC_AN_SCAN, out):
        raise AssertionError("Scan is not greyed with only a cursor")
    shot = h.screenshot("analysis-stereo")
    left, right = len(line_pixels(shot)), len(line_pixels(shot, RIGHT))
    h.note("stereo panes: %d left and %d right pixels" % (left, right))
    if left < 200 or right < 200:
        raise AssertionError("the stereo graph lacks a channel (%d left, %d right pixels)" % (left, right))
    h.drive("close", "wait-exit 60")
    h.expect_exit(prog, 0)
    h.expect_key(h.ini(), "Size", "Analyzer", "1")
