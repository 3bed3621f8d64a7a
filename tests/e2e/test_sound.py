"""The reminder's sound as it is heard: the real Wardolin plays through a PulseAudio server of the
test's own into a sink without a device, whose monitor is recorded and searched for the beeps."""

import array
import os
import shutil
import subprocess
import tempfile
import time
import unittest
from datetime import date

from harness import Desktop, Session, find, run_scenarios, wait_until
from test_e2e import POPUP, create_database, day_number, insert

BIN_DIR = ""
ARTIFACTS = ""
SESSION = None
RATE = 8000  # samples a second of the recording; a millisecond is 8 of them
PATTERN_MS = [300, 600, 300]
TOLERANCE_MS = 80
NO_SERVER = "No sound server answers"


def setUpModule():
    global SESSION
    SESSION = Session()


def tearDownModule():
    SESSION.close()


class SoundServer:
    """pulseaudio with one null sink, on a socket of its own and without any configuration of the
    machine, so that it runs the same as root in CI and for a developer with a desktop of their own."""

    def __init__(self, log):
        self.dir = tempfile.mkdtemp(prefix="moravel-pulse-")
        self.socket = os.path.join(self.dir, "native")
        env = {"HOME": self.dir, "XDG_RUNTIME_DIR": self.dir, "PULSE_RUNTIME_PATH": self.dir,
               "PATH": os.environ.get("PATH", "/usr/bin:/bin")}
        self.process = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--system=false", "--exit-idle-time=-1",
             "--use-pid-file=false", "--realtime=no", "--high-priority=no", "--disable-shm=yes",
             f"--log-target=file:{log}", "--log-level=notice",
             f"--load=module-native-protocol-unix socket={self.socket} auth-anonymous=1",
             "--load=module-null-sink sink_name=erinnerung rate=44100 channels=2"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.env = {"PULSE_SERVER": "unix:" + self.socket}
        wait_until(lambda: self.process.poll() is None and subprocess.run(
            ["pactl", "info"], env={**env, **self.env}, capture_output=True).returncode == 0,
            10, what="sound server")

    def record(self, path):
        """parec on the sink's monitor, raw 16-bit mono, until stopped."""
        return subprocess.Popen(["parec", "--device=erinnerung.monitor", "--raw", "--format=s16le",
                                 f"--rate={RATE}", "--channels=1", "--latency-msec=10", path],
                                env={**os.environ, **self.env}, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(5)
        except subprocess.TimeoutExpired:
            self.process.kill()
        shutil.rmtree(self.dir, ignore_errors=True)


def onsets(path, frame_ms=5, quiet_ms=60):
    """Milliseconds into the recording at which a sound begins after at least quiet_ms of silence."""
    samples = array.array("h")
    with open(path, "rb") as f:
        samples.frombytes(f.read())
    step = RATE * frame_ms // 1000
    levels = [max((abs(s) for s in samples[i:i + step]), default=0) for i in range(0, len(samples), step)]
    loudest = max(levels, default=0)
    if loudest < 1000:
        return []
    threshold = loudest // 8
    found, quiet = [], quiet_ms
    for index, level in enumerate(levels):
        if level >= threshold:
            if quiet >= quiet_ms:
                found.append(index * frame_ms)
            quiet = 0
        else:
            quiet += frame_ms
    return found


class Sound(unittest.TestCase):
    def setUp(self):
        self.desktop = Desktop(SESSION, BIN_DIR, ARTIFACTS, self.id().split(".")[-1])
        create_database(self.desktop)
        insert(self.desktop.database, day_number(date(2026, 12, 7)), "14:30", "Telefonkonferenz",
               lead_minutes="5")

    def tearDown(self):
        self.desktop.shot("end")
        self.desktop.close()

    def remind(self, sound_env):
        """Starts the monitor five seconds before the reminder and sends it to watch; the popup."""
        self.desktop.start("Wardolin", fake_time="2026-12-07 14:24:55", extra_env=sound_env)
        monitor = self.desktop.app("Wardolin")
        self.desktop.click(wait_until(lambda: find(monitor, "push button", "Termine  überwachen"),
                                      what="Command1"))
        popup = wait_until(lambda: self.desktop.windows(POPUP), 10, what="reminder popup")
        self.desktop.shot("popup")
        return popup

    def log(self):
        with open(os.path.join(self.desktop.artifacts, "Wardolin.log"), encoding="utf-8",
                  errors="replace") as f:
            return f.read()

    def test_the_reminder_sounds_four_bells_at_the_pattern_through_the_sound_server(self):
        server = SoundServer(os.path.join(self.desktop.artifacts, "pulseaudio.log"))
        self.addCleanup(server.close)
        recording = os.path.join(self.desktop.artifacts, "erinnerung.raw")
        recorder = server.record(recording)
        self.desktop.programs.append(recorder)
        self.remind(server.env)
        # The pattern lasts 1.2 s from the first beep, which comes before the popup shows.
        time.sleep(2.5)
        recorder.terminate()
        recorder.wait(5)
        heard = onsets(recording)
        self.assertEqual(len(heard), 4, f"sounds begin at {heard} ms")
        spacing = [b - a for a, b in zip(heard, heard[1:])]
        for got, wanted in zip(spacing, PATTERN_MS):
            self.assertLessEqual(abs(got - wanted), TOLERANCE_MS, f"spacing {spacing} ms")
        self.assertNotIn(NO_SERVER, self.log())

    def test_without_a_sound_server_the_reminder_comes_and_the_x_bell_is_said_once(self):
        missing = os.path.join(self.desktop.root, "kein-server")
        self.remind({"PULSE_SERVER": "unix:" + missing})
        wait_until(lambda: NO_SERVER in self.log(), 5, what="the fallback in the log")
        time.sleep(1.5)  # the other three beeps of the pattern
        self.assertEqual(self.log().count(NO_SERVER), 1)
        self.assertTrue(self.desktop.windows(POPUP))


if __name__ == "__main__":
    run_scenarios(globals())
