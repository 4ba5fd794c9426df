"""A private PulseAudio server for the sound tests: a null sink "sorn" (44.1 kHz stereo 16-bit) that Wine's
winmm plays into, its monitor captured with parec, and a second null sink "feed" whose monitor is the
recording source, fed by pacat. Every process started here is ended by stop()."""
import array
import os
import shutil
import signal
import subprocess
import time

RATE = 44100


class Pulse:
    def __init__(self, h):
        self.h = h
        self.dir = os.path.join(h.dir, "pulse")
        self.procs = []
        self.captures = []

    def _env(self):
        env = dict(self.h.env)
        env["XDG_RUNTIME_DIR"] = self.dir
        env["HOME"] = self.dir
        env["PULSE_SERVER"] = "unix:" + os.path.join(self.dir, "native")
        env.pop("PULSE_SINK", None)
        return env

    def start(self):
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        env = self._env()
        log = open(os.path.join(self.dir, "pulseaudio.log"), "wb")
        sock = os.path.join(self.dir, "native")
        proc = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--disable-shm=yes", "--log-target=stderr",
             "--load=module-native-protocol-unix socket=%s auth-anonymous=1" % sock,
             "--load=module-null-sink sink_name=sorn format=s16le rate=%d channels=2 norewinds=yes" % RATE,
             "--load=module-null-sink sink_name=feed format=s16le rate=%d channels=2" % RATE],
            env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        log.close()
        self.procs.append(proc)
        for _ in range(100):
            if subprocess.run(["pactl", "info"], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                break
            if proc.poll() is not None:
                raise AssertionError("pulseaudio ended at once: see %s" % self.dir)
            time.sleep(0.1)
        else:
            raise AssertionError("pulseaudio did not start")
        for cmd in (["set-default-sink", "sorn"], ["set-default-source", "feed.monitor"]):
            subprocess.run(["pactl"] + cmd, env=env, check=True)
        # Wine's processes reach this server; its sound driver is the PulseAudio one.
        self.h.env["PULSE_SERVER"] = env["PULSE_SERVER"]
        self.h.env["XDG_RUNTIME_DIR"] = self.dir
        # A deeper server buffer than Wine asks for: under the emulator Wine feeds its stream in bursts,
        # and a stream that runs dry gets silence in the middle of the sound.
        self.h.env["PULSE_LATENCY_MSEC"] = "250"
        self.h.env["WINEDLLOVERRIDES"] = self.h.env["WINEDLLOVERRIDES"] + ";winealsa.drv,wineoss.drv=d"
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Audio", "/d", "pulse", "/f"],
                       env=self.h.env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=60)
        self.h.note("pulseaudio up in %s" % self.dir)

    def capture(self, name):
        """Starts recording the sink's monitor as raw 16-bit stereo into <pulse dir>/<name>.raw."""
        path = os.path.join(self.dir, name + ".raw")
        out = open(path, "wb")
        proc = subprocess.Popen(["parec", "--device=sorn.monitor", "--latency-msec=20", "--format=s16le",
                                 "--rate=%d" % RATE, "--channels=2", "--raw"],
                                env=self._env(), stdin=subprocess.DEVNULL, stdout=out,
                                stderr=subprocess.DEVNULL, start_new_session=True)
        out.close()
        self.procs.append(proc)
        self.captures.append((proc, path))
        return path

    def feed(self, raw_path):
        """Plays raw 16-bit stereo bytes into the "feed" sink (the recording source is its monitor)."""
        proc = subprocess.Popen(["pacat", "--device=feed", "--latency-msec=20", "--format=s16le",
                                 "--rate=%d" % RATE, "--channels=2", "--raw", raw_path],
                                env=self._env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True)
        self.procs.append(proc)
        return proc

    def wait_sound_then_silence(self, path, quiet_s=1.0, timeout=60):
        """Waits until the capture held some sound followed by quiet_s of silence; returns the samples."""
        end = time.monotonic() + self.h.limit(timeout)
        quiet_bytes = int(quiet_s * RATE) * 4
        while time.monotonic() < end:
            time.sleep(0.5)
            data = open(path, "rb").read()
            data = data[: len(data) // 4 * 4]
            last = len(data.rstrip(b"\0"))
            if last > 0 and len(data) - last >= quiet_bytes:
                return values(data)
        raise AssertionError("no sound followed by silence in %s within %d s" % (path, timeout))

    def stream_formats(self, timeout=15):
        """The sample formats of the streams playing into the server ("u8 2ch 44100Hz", ...), waiting up to
        timeout seconds for one to appear."""
        end = time.monotonic() + self.h.limit(timeout)
        while time.monotonic() < end:
            out = subprocess.run(["pactl", "list", "short", "sink-inputs"], env=self._env(), stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, text=True).stdout
            # One line per stream: index, sink, client, driver, sample format.
            found = [cols[4].strip() for cols in (line.split("\t") for line in out.splitlines()) if len(cols) >= 5]
            if found:
                return found
            time.sleep(0.2)
        return []

    def stop(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGTERM)
                except OSError:
                    pass
        for proc in self.procs:
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
        self.procs = []


def values(data):
    a = array.array("h")
    a.frombytes(data[: len(data) // 2 * 2])
    return a


def counter_frames(count):
    """A signal no two frames of which are alike: left i mod 32768, right 1000 + i div 32768 (stereo)."""
    a = array.array("h")
    for i in range(count):
        a.append(i % 32768)
        a.append(1000 + i // 32768)
    return a


def write_wav(path, samples, channels, bits=16, rate=RATE):
    import wave
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(bits // 8)
        w.setframerate(rate)
        if bits == 8:
            w.writeframes(bytes(samples))
        else:
            w.writeframes(samples.tobytes())
