#!/usr/bin/env python3
"""Runs one end-to-end test of sorn96.exe under Wine (started by e2e.sh, which prepares the display).

A test is a file tests/e2e/test_<name>.py with a function run(h) that gets a Harness. The harness gives the test
build/win32/e2e/<name>/ with a copy of the program (bin/sorn96.exe, or the PROGRAM the test names, relative to the
build directory) and the plug-ins the test names in PLUGINS (from bin/), a fresh Wine
prefix copied from the run's template, and helpers to start the program, drive it with sorn-driver.exe in the
same prefix, wait for its exit and read its settings file. Everything runs against one overall deadline below
ctest's timeout, so a hang ends in a report of the open windows instead of a killed test.
"""
import importlib.util
import array
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import traceback

BUDGET = float(os.environ.get("SORN_E2E_BUDGET", "105"))


class TestFailure(Exception):
    pass


def parse_ini(text):
    """Private-profile text → {section (lower case): {key (lower case): value}}, as the profile calls see it."""
    sections = {}
    current = None
    for raw in text.splitlines():
        line = raw.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("[") and "]" in line:
            current = sections.setdefault(line[1:line.index("]")].strip().lower(), {})
        elif current is not None and "=" in line:
            key, value = line.split("=", 1)
            current.setdefault(key.strip().lower(), value.strip())
    return sections


def decode_text(data):
    if data.startswith(b"\xff\xfe"):
        return data[2:].decode("utf-16-le", "replace")
    if data.startswith(b"\xef\xbb\xbf"):
        return data[3:].decode("utf-8", "replace")
    return data.decode("cp1252", "replace")


class Program:
    """One running sorn96.exe (the wine process that runs it)."""

    def __init__(self, proc, log_path, name, debug_path=None):
        self.proc = proc
        self.log_path = log_path
        self.name = name
        self.debug_path = debug_path

    def log(self):
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    def debug_strings(self):
        """The program's debug lines so far (started with debugstr=True): from its debug log file, else
        its OutputDebugString texts in the Wine log, unescaped."""
        if self.debug_path:
            try:
                with open(self.debug_path, "rb") as f:
                    text = f.read().decode("cp1252", "replace")
            except OSError:
                return []
            return [line + "\n" for line in text.split("\n") if line]
        out = []
        for m in re.finditer(r':debugstr:OutputDebugString[AW] [Lu]?"(.*)"\s*$', self.log(), re.M):
            out.append(re.sub(r'\\(x[0-9a-fA-F]{2}|[0-7]{1,3}|.)', _unescape, m.group(1)))
        return out


def _unescape(m):
    e = m.group(1)
    simple = {"n": "\n", "r": "\r", "t": "\t", '"': '"', "\\": "\\"}
    if e in simple:
        return simple[e]
    if e[0] == "x":
        return chr(int(e[1:], 16))
    if e.isdigit():
        return chr(int(e, 8))
    return e


class Harness:
    def __init__(self, test_file, program="bin/sorn96.exe"):
        self.start_time = time.monotonic()
        self.budget = BUDGET
        self.source_dir = os.environ.get("SORN_SOURCE_DIR") or os.path.abspath(
            os.path.join(os.path.dirname(__file__), "..", ".."))
        self.binary_dir = os.path.abspath(os.environ.get("SORN_BINARY_DIR") or
                                          os.path.join(self.source_dir, "build", "win32"))
        self.name = os.path.splitext(os.path.basename(test_file))[0]
        if self.name.startswith("test_"):
            self.name = self.name[5:]
        self.dir = os.path.join(self.binary_dir, "e2e", self.name)
        self.prefix = os.path.join(self.dir, "prefix")
        self.program_dir = os.path.join(self.dir, "program")
        self.program = program
        self.exe = os.path.join(self.program_dir, os.path.basename(program))
        self.driver = os.path.join(self.binary_dir, "tools", "sorn-driver.exe")
        self.programs = []
        self.driver_runs = 0
        self.env = dict(os.environ)
        self.env["WINEPREFIX"] = self.prefix
        # Without the debugger a crash ends the process at once with the exception code as its exit code
        # (0xC0000005 → 5), instead of an exit code 0 after the debugger took the process over.
        overrides = self.env.get("WINEDLLOVERRIDES", "mscoree,mshtml=")
        self.env["WINEDLLOVERRIDES"] = overrides + (";" if overrides else "") + "winedbg.exe=d"

    # ---- time ----------------------------------------------------------------------------------------------
    def note(self, text):
        print("[%5.1f s] %s" % (time.monotonic() - self.start_time, text), flush=True)

    def remaining(self):
        return self.budget - (time.monotonic() - self.start_time)

    def limit(self, seconds):
        """A wait of `seconds`, cut to what is left of the overall budget (keeping time to clean up)."""
        return max(1.0, min(seconds, self.remaining() - 8))

    # ---- set-up --------------------------------------------------------------------------------------------
    def prepare(self, plugins):
        exe = os.path.join(self.binary_dir, self.program)
        if not os.path.exists(exe):
            raise TestFailure("%s is missing: build it first" % exe)
        if not os.path.exists(self.driver):
            raise TestFailure("%s is missing: build the sorn-driver target first" % self.driver)
        template = os.environ.get("SORN_WINE_TEMPLATE") or os.path.join(self.source_dir, "build", "wine", "template")
        if not os.path.exists(os.path.join(template, ".complete")):
            raise TestFailure("no Wine template prefix at %s" % template)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.program_dir)
        shutil.copy2(exe, self.exe)
        for p in plugins:
            shutil.copy2(os.path.join(self.binary_dir, "bin", p), self.program_dir)
        # A fresh prefix the way every Windows run makes one (tools/wine-env.sh), or a plain copy.
        env_sh = os.path.join(self.source_dir, "tools", "wine-env.sh")
        r = subprocess.run(["bash", "-c", 'source "$1" && declare -F sorn_wine_new_prefix >/dev/null && '
                            'sorn_wine_new_prefix "$2"', "-", env_sh, self.prefix], env=self.env)
        if r.returncode != 0:
            shutil.rmtree(self.prefix, ignore_errors=True)
            os.makedirs(self.prefix)
            subprocess.run(["cp", "-a", template + "/.", self.prefix + "/"], check=True)
        # One wineserver for the test, kept alive between the program's and the driver's starts.
        subprocess.run(["wineserver", "-p30"], env=self.env, check=False, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def cleanup(self):
        for p in self.programs:
            if p.proc.poll() is None:
                try:
                    os.killpg(p.proc.pid, signal.SIGKILL)
                except OSError:
                    pass
        subprocess.run(["wineserver", "-k"], env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for p in self.programs:
            try:
                p.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                pass

    def windows_path(self, path):
        """The Windows name of a file under the prefix's drive mapping (Z: is the Linux root)."""
        return "Z:" + os.path.abspath(path).replace("/", "\\")

    def fixture(self, name):
        """Copies tests/data/<name> (from the sources, else from the fixtures the build generates) into the
        test's own folder, so the program may change it, and returns the copy's Windows path."""
        src = os.path.join(self.source_dir, "tests", "data", name)
        if not os.path.exists(src):
            src = os.path.join(self.binary_dir, "tests", "data", name)
        if not os.path.exists(src):
            raise TestFailure("no fixture %s in tests/data of the sources or the build" % name)
        dest_dir = os.path.join(self.dir, "files")
        os.makedirs(dest_dir, exist_ok=True)
        dest = os.path.join(dest_dir, os.path.basename(name))
        shutil.copy2(src, dest)
        return self.windows_path(dest)

    def files_dir(self):
        """The test's folder for the sound files it makes (created on first use)."""
        path = os.path.join(self.dir, "files")
        os.makedirs(path, exist_ok=True)
        return path

    def synth(self, name, rate, channels, *effects):
        """A 16-bit WAV made by sox from nothing and the given effects ("synth", "1", "sine", "440", ...) in the
        files folder; returns its path."""
        path = os.path.join(self.files_dir(), name)
        subprocess.run(["sox", "-n", "-r", str(rate), "-b", "16", "-c", str(channels), path]
                       + [str(e) for e in effects], check=True, timeout=120)
        return path

    @staticmethod
    def sox_samples(*inputs):
        """The samples of a sound file as sox reads them, without dither: 16-bit signed little-endian bytes.
        Several inputs may be given with sox's own options between them (for example "-m", "-v", "0.5")."""
        return subprocess.run(["sox", "-D"] + list(inputs) + ["-t", "raw", "-e", "signed-integer", "-b", "16",
                                                              "-L", "-"],
                              check=True, stdout=subprocess.PIPE, timeout=60).stdout

    @staticmethod
    def sox_values(*inputs):
        """sox_samples as an array of signed 16-bit values (interleaved channels)."""
        a = array.array("h")
        a.frombytes(Harness.sox_samples(*inputs))
        return a

    def screenshot(self, name):
        """Saves the screen as <test folder>/<name>.png for people to look at (never compared by tests)."""
        path = os.path.join(self.dir, name + ".png")
        subprocess.run(["import", "-window", "root", path], env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        return path

    # ---- the program ---------------------------------------------------------------------------------------
    def start(self, *args, debugstr=False):
        """Starts the program in the background with the given command-line arguments; with debugstr its
        OutputDebugString texts are kept (Program.debug_strings)."""
        n = len(self.programs) + 1
        env = dict(self.env)
        debug_path = None
        if debugstr:
            # The program appends its debug lines to this file (OutputDebugString raises an exception,
            # which the emulator under Wine does not always survive while the cache thread is busy).
            debug_path = os.path.join(self.dir, "debug-%d.log" % n)
            env["SORN_DEBUG_LOG"] = self.windows_path(debug_path)
        log_path = os.path.join(self.dir, "program-%d.log" % n)
        log = open(log_path, "wb")
        proc = subprocess.Popen(["wine", self.exe] + list(args), cwd=self.program_dir, env=env,
                                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                                start_new_session=True)
        log.close()
        prog = Program(proc, log_path, "%s #%d" % (os.path.basename(self.exe), n), debug_path)
        self.programs.append(prog)
        self.note("started %s: wine %s %s" % (prog.name, self.exe, " ".join(args)))
        return prog

    def wait_exit(self, prog, timeout=60):
        """Waits for the program to end and returns its exit code (as a signed 8-bit value from wine)."""
        try:
            rc = prog.proc.wait(timeout=self.limit(timeout))
        except subprocess.TimeoutExpired:
            self.drive("list-windows", check=False)
            raise TestFailure("%s did not exit within %d s" % (prog.name, timeout))
        self.note("%s exited with %d" % (prog.name, rc))
        return rc

    def expect_exit(self, prog, code, timeout=60):
        rc = self.wait_exit(prog, timeout)
        if rc != code & 0xFF:
            raise TestFailure("%s exited with %d, expected %d\n%s" % (prog.name, rc, code, prog.log()[-3000:]))

    # ---- the driver ----------------------------------------------------------------------------------------
    def drive(self, *commands, check=True, timeout=90):
        """Runs sorn-driver.exe with a script of commands; returns its output. Fails the test when the driver
        reports a failure or timeout, unless check is False."""
        self.driver_runs += 1
        script = os.path.join(self.dir, "driver-%d.txt" % self.driver_runs)
        with open(script, "w") as f:
            f.write("\n".join(commands) + "\n")
        env = dict(self.env)
        budget = self.limit(timeout)
        # The driver's own waits end before the harness gives up on it, so it can list the windows.
        env.setdefault("SORN_DRIVER_TIMEOUT", str(int(max(5, min(30, budget - 5)))))
        # Output goes to a file, not a pipe: Wine's background processes started along with the driver inherit
        # its output handles and would keep a pipe open long after the driver ended.
        out_path = os.path.join(self.dir, "driver-%d.out" % self.driver_runs)
        with open(out_path, "wb") as out_file:
            proc = subprocess.Popen(["wine", self.driver, "-f", self.windows_path(script)], cwd=self.dir, env=env,
                                    stdin=subprocess.DEVNULL, stdout=out_file, stderr=subprocess.STDOUT,
                                    start_new_session=True)
        try:
            rc = proc.wait(timeout=budget)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            rc = None
        with open(out_path, "rb") as f:
            out = f.read().decode("utf-8", "replace").replace("\r\n", "\n")
        self.note("driver %d ended (%s):\n%s---" % (self.driver_runs, rc, out))
        if check and rc != 0:
            raise TestFailure("driver script %s failed (%s)" % (script, "timeout" if rc is None else rc))
        return out

    # ---- settings file -----------------------------------------------------------------------------------------
    def ini_path(self):
        windir = os.path.join(self.prefix, "drive_c", "windows")
        for name in os.listdir(windir):
            if name.lower() == "sorn.ini":
                return os.path.join(windir, name)
        return None

    def write_ini(self, text):
        """Puts a settings file in place before the program starts (Windows line ends, as the OS keeps it)."""
        path = self.ini_path() or os.path.join(self.prefix, "drive_c", "windows", "SORN.INI")
        with open(path, "wb") as f:
            f.write(text.replace("\n", "\r\n").encode("cp1252"))

    def ini(self):
        path = self.ini_path()
        if path is None:
            raise TestFailure("no SORN.INI in the prefix's Windows directory")
        with open(path, "rb") as f:
            text = decode_text(f.read())
        print("--- %s:\n%s---" % (os.path.basename(path), text), flush=True)
        return parse_ini(text)

    @staticmethod
    def key(ini, section, key):
        return ini.get(section.lower(), {}).get(key.lower())

    def expect_key(self, ini, section, key, value):
        got = self.key(ini, section, key)
        if got != value:
            raise TestFailure("[%s] %s is %r, expected %r" % (section, key, got, value))

    def expect_int_key(self, ini, section, key):
        got = self.key(ini, section, key)
        try:
            return int(got)
        except (TypeError, ValueError):
            raise TestFailure("[%s] %s is %r, expected an integer" % (section, key, got))


def load_test(path):
    module_spec = importlib.util.spec_from_file_location("e2e_test", path)
    module = importlib.util.module_from_spec(module_spec)
    module_spec.loader.exec_module(module)
    return module


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: harness.py tests/e2e/test_<name>.py")
    test = load_test(sys.argv[1])
    h = Harness(sys.argv[1], getattr(test, "PROGRAM", "bin/sorn96.exe"))
    # A test that needs longer than the default names its ctest timeout; the budget keeps 15 s of it.
    if hasattr(test, "E2E_TIMEOUT"):
        h.budget = max(h.budget, float(test.E2E_TIMEOUT) - 15)
    ok = False
    try:
        h.prepare(getattr(test, "PLUGINS", []))
        test.run(h)
        ok = True
    except TestFailure as e:
        print("FAILED: %s" % e, flush=True)
    except Exception:
        traceback.print_exc()
    finally:
        h.cleanup()
    for p in h.programs:
        log = p.log().strip()
        if log and not ok:
            print("--- %s output:\n%s\n---" % (p.name, log[-4000:]))
    print("e2e %s: %s in %.1f s" % (h.name, "passed" if ok else "FAILED", time.monotonic() - h.start_time))
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
