"""Installs the Debian package into this machine with apt, runs both installed programs as an
unprivileged user on an X server with a tray, removes the package and looks for anything of it left
outside that user's home. Installing needs root: elsewhere the test says so and is skipped."""

import argparse
import glob
import os
import pwd
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import Desktop, ProcessHandle, Session, wait_until  # noqa: E402

SKIP = 77
USER = "nobody"
PACKAGE = "moravel"
# Where a package or a program run by root could leave files. apt's lists, caches and logs change
# with every apt run and hold nothing of the package.
SCANNED = ["/usr", "/etc", "/opt", "/srv", "/var"]
IGNORED = ["/var/log", "/var/tmp", "/var/lib/apt/lists", "/var/cache/apt"]
APT = ["apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=120"]


def skip(reason):
    print(f"SKIP: {reason}")
    sys.exit(SKIP)


def apt(*args, cwd=None):
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    result = subprocess.run(APT + list(args), cwd=cwd, env=env, capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError(f"apt-get {' '.join(args)} failed:\n{result.stdout}{result.stderr}")


def installed():
    status = subprocess.run(["dpkg-query", "-W", "-f=${Status}", PACKAGE], capture_output=True, text=True)
    return "installed" in status.stdout.split()


def file_tree():
    prune = []
    for path in IGNORED:
        prune += ["-path", path, "-prune", "-o"]
    out = subprocess.run(["find"] + SCANNED + ["-xdev"] + prune + ["-print"], capture_output=True,
                         text=True).stdout
    return set(out.splitlines())


def unowned(paths):
    """The paths no other installed package owns: another package installed meanwhile is no leftover."""
    if not paths:
        return []
    out = subprocess.run(["dpkg-query", "-S"] + sorted(paths), capture_output=True, text=True).stdout
    owned = set()
    for line in out.splitlines():
        packages, path = line.split(": ", 1)
        if {p.split(":")[0] for p in packages.split(", ")} - {PACKAGE}:
            owned.add(path)
    return sorted(set(paths) - owned)


class UserDesktop(Desktop):
    """The installed programs, run by an unprivileged user with a home of its own and no settings."""

    def __init__(self, session, artifacts):
        super().__init__(session, "/usr/bin", artifacts, "package")
        os.chmod(self.root, 0o755)
        self.account = pwd.getpwnam(USER)
        self.home = os.path.join(self.root, "home")
        os.makedirs(self.home)
        for directory in (self.home, self.runtime_dir):
            os.chown(directory, self.account.pw_uid, self.account.pw_gid)
        self.data_dir = os.path.join(self.home, ".local", "share", "BriskoMoravel")

    def base_env(self):
        env = {k: v for k, v in os.environ.items() if k.endswith("SAN_OPTIONS")}  # a sanitized build
        env.update({"PATH": "/usr/bin:/bin", "HOME": self.home, "XDG_RUNTIME_DIR": self.runtime_dir,
                    "DISPLAY": self.display, "LANG": "de_DE.UTF-8", "QT_QPA_PLATFORM": "xcb"})
        return env

    def start(self, program):
        log = open(os.path.join(self.artifacts, program + ".log"), "ab")
        process = subprocess.Popen(["setpriv", f"--reuid={self.account.pw_uid}",
                                    f"--regid={self.account.pw_gid}", "--clear-groups",
                                    os.path.join(self.bin_dir, program)],
                                   env=self.base_env(), stdout=log, stderr=log)
        log.close()  # the child has its own copy
        self.programs.append(process)
        return process

    def started_by_program(self, program):
        """Processes of this user's home that one of the programs started; they end with the others."""
        found = []
        pids = subprocess.run(["pgrep", "-x", "-u", str(self.account.pw_uid), program], capture_output=True,
                              text=True).stdout.split()
        for pid in map(int, pids):
            try:
                with open(f"/proc/{pid}/environ", "rb") as f:
                    env = f.read().split(b"\0")
            except OSError:
                continue
            if ("HOME=" + self.home).encode() in env and pid not in {p.pid for p in self.programs}:
                handle = ProcessHandle(pid)
                self.programs.append(handle)
                found.append(handle)
        return found


def use_as_a_user(desktop):
    planner = desktop.start("Moravel")
    wait_until(lambda: desktop.windows("Brisko Moravel"), 15, what="planner window")
    wait_until(lambda: os.path.exists(desktop.database), 5, what="database in ~/.local/share/BriskoMoravel")
    assert os.stat(desktop.database).st_uid == desktop.account.pw_uid, "database not the user's"

    desktop.key("alt+h")  # the help page from /usr/share
    wait_until(lambda: desktop.windows("Brisko Moravel - Hilfe"), 10, what="help window")
    desktop.shot("help")
    desktop.key("Escape")

    desktop.key("alt+t")  # "Automatische Wardolin starten": the planner starts the monitor beside it
    desktop.key("Return")
    wait_until(lambda: desktop.started_by_program("Wardolin"), 10, what="monitor started by the planner")
    wait_until(lambda: desktop.tray_icon("Wardolin"), 15, what="monitor in the tray")

    planner.terminate()
    planner.wait(10)
    wait_until(lambda: not desktop.windows("Brisko Moravel"), 10, what="planner gone")
    x, y = wait_until(lambda: desktop.tray_icon("Wardolin"), 5, what="monitor's icon in its place")
    desktop.xdotool("mousemove", str(x), str(y), "click", "1")  # the monitor starts the planner beside it
    wait_until(lambda: desktop.started_by_program("Moravel"), 10, what="planner started by the monitor")
    wait_until(lambda: desktop.windows("Brisko Moravel"), 15, what="planner window again")
    desktop.shot("installed")


def run_as_root(desktop):
    """Root may write to /usr/bin, yet the installed programs keep its data in its home too."""
    home = os.path.join(desktop.root, "root-home")
    database = os.path.join(home, ".local", "share", "BriskoMoravel", "dBTermin.mdb")
    os.makedirs(os.path.join(home, "run"), mode=0o700)
    env = {"PATH": "/usr/bin:/bin", "HOME": home, "XDG_RUNTIME_DIR": os.path.join(home, "run"),
           "QT_QPA_PLATFORM": "offscreen"}

    def strays():
        return set(glob.glob("/usr/bin/dBTermin.mdb*"))

    there_before = strays()
    with open(os.path.join(desktop.artifacts, "Moravel-root.log"), "ab") as log:
        planner = subprocess.Popen(["/usr/bin/Moravel"], env=env, stdout=log, stderr=log)
    try:
        wait_until(lambda: os.path.exists(database) or strays() - there_before, 10, what="root's database")
    finally:
        planner.terminate()
        planner.wait(10)
        written = sorted(strays() - there_before)
        for path in written:  # never leave them to the machine's next user
            os.remove(path)
    assert not written, f"root's planner wrote its data into /usr/bin: {written}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--deb-dir", required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()

    if os.geteuid() != 0:
        skip("installing the package needs root (as in CI); run the tests as root to include it")
    if not shutil.which("apt-get") or not shutil.which("dpkg-query"):
        skip("apt-get is not usable on this machine")
    if installed():
        skip(f"{PACKAGE} is installed on this machine already; the test leaves that installation alone")
    debs = glob.glob(os.path.join(args.deb_dir, f"{PACKAGE}_*.deb"))
    assert len(debs) == 1, f"expected one package in {args.deb_dir}, found {debs}"

    before = file_tree()
    session = desktop = None
    try:
        apt("install", "--no-install-recommends", "./" + os.path.basename(debs[0]), cwd=args.deb_dir)
        session = Session()
        desktop = UserDesktop(session, args.artifacts)
        use_as_a_user(desktop)
        run_as_root(desktop)
    finally:
        if desktop:
            desktop.close()
        if session:
            session.close()
        apt("purge", PACKAGE)

    assert not installed(), "package still installed after purge"
    left = unowned(file_tree() - before)
    assert not left, "left behind by the package or its programs:\n" + "\n".join(left)
    print("package install: ok")


if __name__ == "__main__":
    main()
