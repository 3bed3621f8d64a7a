"""A desktop for end-to-end runs: Xvfb, a window manager, a tray, a D-Bus session with the
accessibility bus and a notification service, and the real programs on a private data directory and
settings home.

The programs are driven as a person would (xdotool) and read as a screen reader reads them
(AT-SPI). Every step can leave a screenshot in the artifact folder."""

import argparse
import ctypes
import os
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time
import unittest

import pyatspi

FAKETIME_LIB = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
DUNSTRC = os.path.join(os.path.dirname(os.path.abspath(__file__)), "dunstrc")


def wait_until(predicate, timeout=10.0, interval=0.05, what="condition"):
    """Polls predicate until it returns a true value; raises after timeout seconds."""
    deadline = time.monotonic() + timeout
    last_error = None
    while time.monotonic() < deadline:
        try:
            value = predicate()
            if value:
                return value
        except Exception as error:  # the tree changes under our feet while windows come and go
            last_error = error
        time.sleep(interval)
    raise AssertionError(f"timed out waiting for {what}" + (f" ({last_error})" if last_error else ""))


class _XClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessage), ("pad", ctypes.c_long * 24)]


class Session:
    """The X server, window manager, tray, D-Bus session and notification service, shared by all
    scenarios of a run: the accessibility library of this process keeps its connection to the first
    session bus."""

    def __init__(self, tray=True):
        self.processes = []
        self._start_display()
        self._start_session_bus()
        self._spawn(["openbox", "--sm-disable"])
        if tray:
            self._spawn(["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "request",
                         "--height", "28", "--SetDockType", "true", "--transparent", "false"])
        # Started before any program asks for it, so that the bus does not start one of its own.
        self._spawn(["dunst", "-config", DUNSTRC])
        wait_until(lambda: self.dbus_name_owner("org.freedesktop.Notifications"), what="notification service")
        time.sleep(0.3)  # let the window manager take over the screen before the first program maps

    # --- infrastructure -------------------------------------------------------------------
    def _start_display(self):
        read_fd, write_fd = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x900x24",
                                 "-nolisten", "tcp"], pass_fds=(write_fd,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_fd, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read_fd)
        self.processes.append(xvfb)
        self.display = ":" + number.decode().strip()

    def _start_session_bus(self):
        out = subprocess.run(["dbus-launch", "--sh-syntax"], env=self.base_env(), capture_output=True,
                             text=True, check=True).stdout
        values = {}
        for line in out.splitlines():
            if "=" in line:
                key, value = line.split("=", 1)
                values[key.strip()] = value.strip().rstrip(";").strip("'")
        self.bus_address = values["DBUS_SESSION_BUS_ADDRESS"]
        self.bus_pid = int(values["DBUS_SESSION_BUS_PID"])
        # pyatspi in this process talks to the same session and its accessibility bus.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.bus_address
        os.environ["DISPLAY"] = self.display

    def dbus_name_owner(self, name):
        return subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                               "/org/freedesktop/DBus", "org.freedesktop.DBus.GetNameOwner", f"string:{name}"],
                              env=self.base_env(), capture_output=True).returncode == 0

    def base_env(self):
        env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "MORAVEL_", "XDG_", "FAKETIME"))}
        env.update({"DISPLAY": getattr(self, "display", ""), "QT_QPA_PLATFORM": "xcb",
                    "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "LANG": "de_DE.UTF-8"})
        if hasattr(self, "bus_address"):
            env["DBUS_SESSION_BUS_ADDRESS"] = self.bus_address
        return env

    def _spawn(self, argv, env=None, log=None):
        out = open(log, "ab") if log else subprocess.DEVNULL
        process = subprocess.Popen(argv, env=env or self.base_env(), stdout=out, stderr=out)
        if log:
            out.close()  # the child has its own copy
        self.processes.append(process)
        return process

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
        for process in self.processes:
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
        try:
            os.kill(self.bus_pid, signal.SIGTERM)
        except ProcessLookupError:
            pass


class Desktop:
    """One scenario on the shared session: its own data directory, settings home and runtime
    directory, its programs and its screenshots."""

    def __init__(self, session, bin_dir, artifacts, name):
        self.session = session
        self.display = session.display
        self.bin_dir = bin_dir
        self.artifacts = os.path.join(artifacts, name)
        shutil.rmtree(self.artifacts, ignore_errors=True)
        os.makedirs(self.artifacts)
        self.root = tempfile.mkdtemp(prefix="moravel-e2e-")
        self.data_dir = os.path.join(self.root, "data")
        self.config_dir = os.path.join(self.root, "config")
        self.runtime_dir = os.path.join(self.root, "run")
        for d in (self.data_dir, self.config_dir, self.runtime_dir):
            os.makedirs(d)
        os.chmod(self.runtime_dir, 0o700)
        self.programs = []
        self.step = 0

    def base_env(self):
        env = self.session.base_env()
        env.update({"MORAVEL_DATA_DIR": self.data_dir, "XDG_CONFIG_HOME": self.config_dir,
                    "XDG_RUNTIME_DIR": self.runtime_dir})
        return env

    def close(self):
        for process in self.programs:
            if process.poll() is None:
                process.terminate()
        for process in self.programs:
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
        # Notifications outlive their program; the next scenario starts with none.
        subprocess.run(["dunstctl", "close-all"], env=self.base_env(), check=False)
        shutil.rmtree(self.root, ignore_errors=True)

    # --- programs -------------------------------------------------------------------------
    def start(self, program, fake_time=None, extra_env=None, rate=None):
        """Starts Moravel or Wardolin from the build; fake_time "2026-12-07 14:24:57" runs its clock
        from that moment on (faketime), timers keep real time. With a rate, its clock, its timers and
        its waits all run that many times as fast as real time."""
        env = self.base_env()
        if fake_time:
            env.update({"LD_PRELOAD": FAKETIME_LIB, "FAKETIME": "@" + fake_time, "FAKETIME_NO_CACHE": "1"})
            if rate:
                env["FAKETIME"] += f" x{rate}"
            else:
                env["FAKETIME_DONT_FAKE_MONOTONIC"] = "1"
        if extra_env:
            env.update(extra_env)
        log = open(os.path.join(self.artifacts, program + ".log"), "ab")
        process = subprocess.Popen([os.path.join(self.bin_dir, program)], env=env, stdout=log, stderr=log)
        log.close()  # the child has its own copy
        self.programs.append(process)
        return process

    def app(self, name, timeout=15):
        """The running program of this scenario with that name, as the accessibility bus knows it."""
        pids = {p.pid for p in self.programs if p.poll() is None}

        def find():
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                child = desktop.getChildAtIndex(i)
                if child is not None and child.name == name and child.get_process_id() in pids:
                    return child
            return None
        return wait_until(find, timeout, what=f"application {name} on the accessibility bus")

    # --- the screen -----------------------------------------------------------------------
    def shot(self, label):
        self.step += 1
        path = os.path.join(self.artifacts, f"{self.step:02d}-{label}.png")
        subprocess.run(["import", "-display", self.display, "-window", "root", path], check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.base_env(), capture_output=True, text=True).stdout

    def windows(self, title):
        """Visible top-level windows whose title starts with title (compared as UTF-8 text)."""
        found = []
        for window in self.xdotool("search", "--onlyvisible", "--name", ".").split():
            out = subprocess.run(["xprop", "-display", self.display, "-id", window, "_NET_WM_NAME"],
                                 capture_output=True, text=True).stdout
            if "=" in out and out.split("=", 1)[1].strip().strip('"').startswith(title):
                found.append(int(window))
        return found

    def window_state(self, window):
        out = subprocess.run(["xprop", "-display", self.display, "-id", str(window), "_NET_WM_STATE"],
                             capture_output=True, text=True).stdout
        return out

    def close_window(self, window):
        """Asks the window to close as its close box does (WM_DELETE_WINDOW), whatever its state."""
        x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.POINTER(_XEvent)]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        display = x11.XOpenDisplay(self.display.encode())
        event = _XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
        x11.XCloseDisplay(display)  # flushes

    def tray_icon(self, program):
        """Centre of the program's icon in the tray once trayer has placed it for good. An icon is
        embedded first and laid out afterwards, on a busy machine noticeably later; a click at the
        first place can miss it, which may even lie off the screen."""
        first = self._tray_icon_now(program)
        if first is None:
            return None
        time.sleep(0.3)
        return first if self._tray_icon_now(program) == first else None

    def _tray_icon_now(self, program):
        """Where the icon is now (trayer's panel embeds one window per icon), if on the screen."""
        width, height = map(int, self.xdotool("getdisplaygeometry").split())
        for panel in self.xdotool("search", "--class", "trayer").split():
            tree = subprocess.run(["xwininfo", "-display", self.display, "-id", panel, "-tree"],
                                  capture_output=True, text=True).stdout
            for line in tree.splitlines():
                match = re.search(r'"%s": \(.*\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)' % program, line)
                if match:
                    w, h, x, y = map(int, match.groups())
                    centre = x + w // 2, y + h // 2
                    if w > 1 and h > 1 and 0 <= centre[0] < width and 0 <= centre[1] < height:
                        return centre
        return None

    def adopt(self, program):
        """Processes of this scenario's data directory started by another program; they end with it."""
        found = []
        for pid in subprocess.run(["pgrep", "-x", program], capture_output=True, text=True).stdout.split():
            try:
                with open(f"/proc/{pid}/environ", "rb") as f:
                    env = f.read().split(b"\0")
            except OSError:
                continue
            if ("MORAVEL_DATA_DIR=" + self.data_dir).encode() in env and int(pid) not in {p.pid for p in self.programs}:
                handle = ProcessHandle(int(pid))
                self.programs.append(handle)
                found.append(handle)
        return found

    def click(self, accessible, button=1):
        x, y, w, h = extents(accessible)
        self.xdotool("mousemove", str(x + w // 2), str(y + h // 2), "click", str(button))

    def key(self, *keys):
        self.xdotool("key", "--clearmodifiers", *keys)

    def type(self, text):
        self.xdotool("type", "--delay", "15", text)

    def dunstctl(self, *args):
        return subprocess.run(["dunstctl", *args], env=self.base_env(), capture_output=True, text=True).stdout

    def watch_notifications(self):
        """Everything said on the session bus in the notification service's interface, from now on."""
        log = os.path.join(self.artifacts, "notifications.log")
        with open(log, "w") as out:  # the child has its own copy
            self.programs.append(subprocess.Popen(
                ["dbus-monitor", "--session", "interface='org.freedesktop.Notifications'"], env=self.base_env(),
                stdout=out, stderr=subprocess.DEVNULL))
        watch = BusLog(log)
        wait_until(lambda: watch.text(), what="dbus-monitor")  # it names itself on the bus first
        return watch

    # --- the data -------------------------------------------------------------------------
    @property
    def database(self):
        return os.path.join(self.data_dir, "dBTermin.mdb")

    def rows(self, where="1"):
        # mode=rw: never create the file, which would look like a foreign file to the programs.
        with sqlite3.connect(f"file:{self.database}?mode=rw", uri=True, timeout=10) as db:
            db.row_factory = sqlite3.Row
            return [dict(r) for r in db.execute(f"SELECT * FROM tblTermin WHERE {where} ORDER BY ID")]

    def settings_text(self):
        path = os.path.join(self.config_dir, "BriskoMoravel", "BriskoMoravel.ini")
        if not os.path.exists(path):
            return ""
        with open(path, encoding="utf-8") as f:
            return f.read()


# --- the accessibility tree -----------------------------------------------------------------
def extents(accessible):
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def descendants(node, depth=0):
    if node is None or depth > 12:
        return
    yield node
    for i in range(node.childCount):
        yield from descendants(node.getChildAtIndex(i), depth + 1)


def find(node, role=None, name=None, showing=True):
    for child in descendants(node):
        if role and child.getRoleName() != role:
            continue
        if name is not None and child.name != name:
            continue
        if showing and not child.getState().contains(pyatspi.STATE_SHOWING):
            continue
        return child
    return None


def texts(node, role):
    return [child.name for child in descendants(node) if child.getRoleName() == role]


def cells(tree):
    """The text of every cell of a list view, row by row (header excluded)."""
    table = tree.queryTable()
    return [[table.getAccessibleAt(r, c).name for c in range(table.nColumns)] for r in range(table.nRows)]


class BusMessage:
    """One message as dbus-monitor prints it: its kind, member, time and top-level arguments
    (strings, numbers, and arrays of strings as lists; other values by their first line)."""

    def __init__(self, header, lines):
        self.kind = header.split(" time=")[0]
        self.time = float(re.search(r"time=([0-9.]+)", header).group(1))
        self.member = re.search(r"member=(\w+)", header).group(1)
        self.text = "\n".join(lines)
        self.args = []
        i = 0
        while i < len(lines):
            line = lines[i]
            i += 1
            if not line.startswith("   ") or line.startswith("    "):
                continue
            item = line.strip()
            if item.startswith('string "'):
                value = item[len('string "'):]
                while not value.endswith('"') and i < len(lines):
                    value += "\n" + lines[i]
                    i += 1
                self.args.append(value[:-1])
            elif item == "array [":
                values = []
                while i < len(lines) and lines[i] != "   ]":
                    match = re.fullmatch(r'      string "(.*)"', lines[i])
                    if match:
                        values.append(match.group(1))
                    i += 1
                i += 1
                self.args.append(values)
            else:
                self.args.append(item.split(" ", 1)[-1])


class BusLog:
    """The messages dbus-monitor has written so far."""

    def __init__(self, path):
        self.path = path

    def text(self):
        with open(self.path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def messages(self, member):
        found, header, lines = [], None, []
        for line in self.text().splitlines() + ["end"]:
            if line.startswith(("method call ", "signal ", "method return ", "error ", "end")):
                if header and "member=" in header:
                    message = BusMessage(header, lines)
                    if message.member == member:
                        found.append(message)
                header, lines = line, []
            else:
                lines.append(line)
        return found


class ProcessHandle:
    """A process started by one of the programs, ended with the scenario like our own."""

    def __init__(self, pid):
        self.pid = pid

    def poll(self):
        return None if os.path.exists(f"/proc/{self.pid}") else 0

    def terminate(self):
        self._signal(signal.SIGTERM)

    def kill(self):
        self._signal(signal.SIGKILL)

    def _signal(self, number):
        try:
            os.kill(self.pid, number)
        except ProcessLookupError:
            pass

    def wait(self, timeout=None):
        deadline = time.monotonic() + (timeout or 10)
        while self.poll() is None:
            if time.monotonic() > deadline:
                raise subprocess.TimeoutExpired(str(self.pid), timeout)
            time.sleep(0.05)


def run_scenarios(namespace):
    """Runs the unittest scenarios of a test file on the programs in --bin, with screenshots
    in --artifacts; the file's BIN_DIR and ARTIFACTS are set before the first one starts."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--artifacts", required=True)
    args, rest = parser.parse_known_args()
    namespace["BIN_DIR"] = os.path.abspath(args.bin)
    namespace["ARTIFACTS"] = os.path.abspath(args.artifacts)
    unittest.main(module=namespace["__name__"], argv=[sys.argv[0], "-v", *rest])
