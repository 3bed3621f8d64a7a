"""End-to-end: the planner beside a running monitor. Its list follows what the monitor writes, and
a click on the monitor's tray icon brings the running planner to the front instead of starting a
second one."""

import os
import sqlite3
import time
import unittest
from datetime import date, datetime, timedelta

import pyatspi

from harness import Desktop, Session, cells, descendants, find, run_scenarios, wait_until

BIN_DIR = ""
ARTIFACTS = ""
SESSION = None
EPOCH = date(1899, 12, 30)


def setUpModule():
    global SESSION
    SESSION = Session()


def tearDownModule():
    SESSION.close()


def day_number(d):
    return (d - EPOCH).days


def insert(path, day, time_text, subject, recurrence="0"):
    """A row as the planner writes it (German decimal comma)."""
    h, m = map(int, time_text.split(":"))
    fraction = f"{(h * 60 + m) / 1440:.5f}".replace(".", ",")
    with sqlite3.connect(path, timeout=10) as db:
        db.execute("INSERT INTO tblTermin (TerminDatum, TerminUhrzeit, TerminDatumUhrzeit, Betreff, Bemerkungen,"
                   " Wiederholung, VorTage, VorMinuten, sysGesperrt, TerminDatumUhrzeitMeldung)"
                   " VALUES (?,?,?,?,'',?,'0','0','0','0,00000')",
                   (str(day), fraction, f"{day},{fraction.split(',')[1]}", subject, recurrence))


class PlannerBesideTheMonitor(unittest.TestCase):
    def setUp(self):
        self.desktop = Desktop(SESSION, BIN_DIR, ARTIFACTS, self.id().split(".")[-1])
        planner = self.desktop.start("Moravel")
        wait_until(lambda: os.path.exists(self.desktop.database) and self.desktop.rows() == [],
                   what="new database")
        planner.terminate()
        planner.wait(10)

    def tearDown(self):
        self.desktop.shot("end")
        self.desktop.close()

    def missed_reports(self):
        """The missed report's text wherever a planner of this scenario shows it."""
        pids = {p.pid for p in self.desktop.programs if p.poll() is None}
        desktop = pyatspi.Registry.getDesktop(0)
        found = []
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "Moravel" and app.get_process_id() in pids:
                found += [n for n in descendants(app) if n.getRoleName() == "label" and "verpasster" in n.name]
        return found

    def watch_in_the_tray(self, monitor):
        button = wait_until(lambda: find(monitor, "push button", "Termine  überwachen"), what="Command1")
        self.desktop.click(button)
        return wait_until(lambda: self.desktop.tray_icon("Wardolin"), 10, what="monitor in the tray")

    def test_a_tray_click_raises_the_running_planner_without_a_new_missed_report(self):
        today = date.today()
        insert(self.desktop.database, day_number(today) - 1, "09:00", "Verpasst")
        insert(self.desktop.database, day_number(today) + 3, "09:00", "Bald")
        os.makedirs(os.path.join(self.desktop.config_dir, "BriskoMoravel"), exist_ok=True)
        with open(os.path.join(self.desktop.config_dir, "BriskoMoravel", "BriskoMoravel.ini"), "w") as f:
            f.write(f"[Termin]\nMoravelBeendet={day_number(today) - 2}\n")
        self.desktop.start("Moravel")
        app = self.desktop.app("Moravel")
        wait_until(self.missed_reports, 15, what="missed report of the start")
        self.desktop.shot("missed-report")
        self.desktop.click(wait_until(lambda: find(app, "push button", "OK"), what="OK of the report"))
        wait_until(lambda: not self.missed_reports(), what="report answered")
        planner = wait_until(lambda: self.desktop.windows("Brisko Moravel"), what="planner window")[0]

        self.desktop.start("Wardolin")
        x, y = wait_until(lambda: self.desktop.tray_icon("Wardolin"), 10, what="tray icon")
        self.desktop.xdotool("windowminimize", str(planner))
        wait_until(lambda: "_NET_WM_STATE_HIDDEN" in self.desktop.window_state(planner), what="minimised")
        for click in range(2):
            self.desktop.xdotool("mousemove", str(x), str(y), "click", "1")
            wait_until(lambda: "_NET_WM_STATE_HIDDEN" not in self.desktop.window_state(planner), 10,
                       what=f"planner in front after click {click + 1}")
            self.desktop.shot(f"raised-{click + 1}")
            # The planner the click started has handed over and gone, having shown nothing.
            wait_until(lambda: all(p.poll() is not None for p in self.desktop.adopt("Moravel")), 10,
                       what="second planner ended")
            self.assertEqual(self.missed_reports(), [])
            self.assertEqual(self.desktop.windows("Brisko Moravel"), [planner])
            self.desktop.xdotool("windowminimize", str(planner))
            wait_until(lambda: "_NET_WM_STATE_HIDDEN" in self.desktop.window_state(planner), what="minimised")

    def test_the_list_shows_the_monitors_midnight_renewal_and_a_delete_then_removes_the_live_row(self):
        evening = date(2026, 12, 7)
        insert(self.desktop.database, day_number(evening), "23:00", "Tabletten", recurrence="1")
        fake = datetime(2026, 12, 7, 23, 59, 50)
        started = time.monotonic()
        monitor = self.desktop.start("Wardolin", fake_time=fake.strftime("%Y-%m-%d %H:%M:%S"))
        self.watch_in_the_tray(self.desktop.app("Wardolin"))
        # The planner's clock a second ahead of the monitor's: it reaches midnight first, so that
        # only the monitor's renewal can bring the new day into its list.
        ahead = fake + timedelta(seconds=time.monotonic() - started + 1)
        self.desktop.start("Moravel", fake_time=ahead.strftime("%Y-%m-%d %H:%M:%S"))
        app = self.desktop.app("Moravel")
        frame = wait_until(lambda: find(app, "frame", "Brisko Moravel"), what="planner window")
        tree = find(frame, "tree", "Termine")
        self.assertEqual([r[2][:10] for r in cells(tree)], ["07.12.2026"])
        self.desktop.shot("before-midnight")

        def renewed():
            return len(self.desktop.rows()) == 2
        wait_until(renewed, 20, interval=0.02, what="monitor's renewal at midnight")
        renewed_at = time.monotonic()
        wait_until(lambda: [r[2][:10] for r in cells(tree)] == ["08.12.2026"], 1.5, interval=0.02,
                   what="renewal in the planner's list")
        self.assertLess(time.monotonic() - renewed_at, 1.0)
        self.desktop.shot("after-midnight")

        old, live = self.desktop.rows()
        self.assertEqual((old["sysGesperrt"], live["sysGesperrt"]), ("1", "0"))
        self.desktop.click(find(tree, "table cell", "Tabletten"))
        self.desktop.key("Delete")
        wait_until(lambda: len(self.desktop.rows()) == 1, 5, what="delete")
        self.assertEqual([(r["ID"], r["sysGesperrt"]) for r in self.desktop.rows()], [(old["ID"], "1")])
        wait_until(lambda: cells(tree) == [], what="empty list")
        self.assertIsNone(monitor.poll())


if __name__ == "__main__":
    run_scenarios(globals())
