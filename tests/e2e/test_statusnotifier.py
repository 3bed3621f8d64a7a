"""The tray icon on a desktop whose panel shows StatusNotifierItems over D-Bus instead of embedding
icons (XEmbed): lxqt-panel with only its status-notifier plugin, and no XEmbed tray anywhere."""

import os
import subprocess
import tempfile
import unittest

import pyatspi

from harness import Desktop, Session, descendants, extents, find, run_scenarios, wait_until
from test_e2e import create_database

BIN_DIR = ""
ARTIFACTS = ""
SESSION = None
PANEL = None

PANEL_CONF = """[General]
__userfile__=true
panels=panel1

[panel1]
alignment=1
desktop=0
hidable=false
iconSize=22
lineCount=1
lockPanel=true
panelSize=32
plugins=statusnotifier
position=Bottom
width=100
width-percent=true

[statusnotifier]
alignment=Right
type=statusnotifier
"""


def setUpModule():
    global SESSION, PANEL
    SESSION = Session(tray=False)
    home = tempfile.mkdtemp(prefix="moravel-panel-")
    conf = os.path.join(home, "panel.conf")
    with open(conf, "w") as f:
        f.write(PANEL_CONF)
    env = SESSION.base_env()
    env["XDG_CONFIG_HOME"] = home
    PANEL = SESSION._spawn(["lxqt-panel", "--config", conf], env=env)
    wait_until(lambda: watcher("IsStatusNotifierHostRegistered") == "boolean true", 15, what="status notifier host")


def tearDownModule():
    SESSION.close()


def watcher(prop):
    """A property of the panel's org.kde.StatusNotifierWatcher, as dbus-send prints it."""
    out = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.kde.StatusNotifierWatcher",
                          "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties.Get",
                          "string:org.kde.StatusNotifierWatcher", f"string:{prop}"],
                         env=SESSION.base_env(), capture_output=True, text=True).stdout
    return out.split("variant", 1)[1].strip() if "variant" in out else ""


def panel_app():
    """The panel on the accessibility bus."""
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        child = desktop.getChildAtIndex(i)
        if child is not None and child.get_process_id() == PANEL.pid:
            return child
    return None


class StatusNotifier(unittest.TestCase):
    def setUp(self):
        self.desktop = Desktop(SESSION, BIN_DIR, ARTIFACTS, self.id().split(".")[-1])
        create_database(self.desktop)

    def tearDown(self):
        self.desktop.shot("end")
        self.desktop.close()

    def icon(self):
        """The panel's button of the monitor's item, once the item is registered."""
        wait_until(lambda: "StatusNotifierItem" in watcher("RegisteredStatusNotifierItems"), 10,
                   what="item registered with the watcher")
        panel = wait_until(panel_app, 10, what="the panel on the accessibility bus")

        def button():
            for node in descendants(panel):
                if node.getRoleName() == "push button" and node.getState().contains(30):  # SHOWING
                    x, y, w, h = extents(node)
                    if w > 1 and h > 1:
                        return node
            return None
        return wait_until(button, 10, what="the monitor's button in the panel")

    def panel_windows(self):
        return self.desktop.xdotool("search", "--onlyvisible", "--pid", str(PANEL.pid), ".").split()

    def test_the_icon_appears_a_left_click_starts_the_planner_and_the_menu_shows_the_main_window(self):
        self.desktop.start("Wardolin")
        icon = self.icon()
        self.desktop.shot("icon")
        self.assertFalse(self.desktop.windows("Brisko Wardolin"))

        self.desktop.click(icon)
        wait_until(lambda: self.desktop.adopt("Moravel"), 10, what="planner started")
        planner = self.desktop.app("Moravel")
        wait_until(lambda: find(planner, "frame", "Brisko Moravel"), what="planner window")
        self.desktop.shot("planner-from-icon")

        # The panel draws the monitor's menu from what the monitor publishes over D-Bus; the panel
        # does not show that menu to the accessibility bus, so it is chosen with the keyboard:
        # Abbrechen, Moravel, Aktuelle Termine zeigen.
        before = set(self.panel_windows())
        self.desktop.click(icon, button=3)
        wait_until(lambda: set(self.panel_windows()) - before, 10, what="menu")
        self.desktop.shot("menu")
        self.desktop.key("Down", "Down", "Down", "Return")
        wait_until(lambda: self.desktop.windows("Brisko Wardolin"), 10, what="main window")
        # The icon goes with it, as in the notification area of any other desktop.
        wait_until(lambda: "StatusNotifierItem" not in watcher("RegisteredStatusNotifierItems"), 10,
                   what="item gone")
        self.desktop.shot("main-window")


if __name__ == "__main__":
    run_scenarios(globals())
