"""End-to-end scenarios of the one monitor per user and of its pause: the real Moravel and Wardolin
on a real X server with a tray, driven with the mouse, read through the accessibility tree."""

import time
import unittest
from datetime import date

from harness import Desktop, Session, find, run_scenarios, texts, wait_until
from test_e2e import POPUP, create_database, day_number, insert

BIN_DIR = ""
ARTIFACTS = ""
SESSION = None
TODAY = date(2026, 12, 7)


def setUpModule():
    global SESSION
    SESSION = Session()


def tearDownModule():
    SESSION.close()


class MonitorInstances(unittest.TestCase):
    def setUp(self):
        self.desktop = Desktop(SESSION, BIN_DIR, ARTIFACTS, self.id().split(".")[-1])

    def tearDown(self):
        self.desktop.shot("end")
        self.desktop.close()

    def to_background(self, monitor):
        """The main window's button: monitoring resumes and only the tray icon is left."""
        self.desktop.click(wait_until(lambda: find(monitor, "push button", "Termine  überwachen"),
                                      what="Command1"))
        wait_until(lambda: not self.desktop.windows("Brisko Wardolin"), what="monitor in the background")
        wait_until(lambda: self.desktop.tray_icon("Wardolin"), 10, what="tray icon")

    def popups_until(self, seconds):
        """Dismisses every popup that comes within so many seconds and names its subjects."""
        seen = []
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            shown = self.desktop.windows(POPUP)
            self.assertLessEqual(len(shown), 1, "more than one popup at once")
            if shown:
                monitor = self.desktop.app("Wardolin")
                subject = wait_until(lambda: find(monitor, "text"), what="subject field")
                text = subject.queryText().getText(0, -1)
                seen.append(text)
                self.desktop.click(wait_until(lambda: find(monitor, "push button", "OK"), what="OK"))
                # The next waiting reminder takes the same popup; the last one closes it.
                wait_until(lambda: not self.desktop.windows(POPUP) or subject.queryText().getText(0, -1) != text,
                           5, what="popup dismissed")
            time.sleep(0.1)
        return seen

    def test_wardo_in_the_planner_brings_no_second_monitor_and_each_reminder_comes_once(self):
        create_database(self.desktop)
        insert(self.desktop.database, day_number(TODAY), "14:30", "Telefonkonferenz", lead_minutes="5")
        fake = "2026-12-07 14:24:50"
        first = self.desktop.start("Wardolin", fake_time=fake)
        self.to_background(self.desktop.app("Wardolin"))
        self.desktop.start("Moravel", fake_time=fake)
        planner = self.desktop.app("Moravel")
        frame = wait_until(lambda: find(planner, "frame", "Brisko Moravel"), what="planner window")
        self.desktop.click(wait_until(lambda: find(frame, "push button", "Wardo."), what="Wardo."))

        # The second monitor hands over and ends; the first shows its current appointments.
        wait_until(lambda: self.desktop.windows("Brisko Wardolin"), 10, what="first monitor's window")
        for second in self.desktop.adopt("Wardolin"):
            second.wait(10)
        self.assertIsNone(first.poll())
        self.desktop.shot("handed-over")
        self.assertEqual(len(self.desktop.windows("Brisko Wardolin")), 1)

        self.to_background(self.desktop.app("Wardolin"))
        self.assertEqual(self.popups_until(14), ["Telefonkonferenz"])
        self.assertEqual(self.desktop.adopt("Wardolin"), [])

    def test_a_left_click_on_the_tray_icon_brings_the_running_planner_forward_and_starts_none(self):
        create_database(self.desktop)
        self.desktop.start("Wardolin")
        x, y = wait_until(lambda: self.desktop.tray_icon("Wardolin"), 10, what="tray icon")
        self.desktop.start("Moravel")
        planner = self.desktop.app("Moravel")
        wait_until(lambda: find(planner, "frame", "Brisko Moravel"), what="planner window")
        window = self.desktop.windows("Brisko Moravel")[0]
        self.desktop.xdotool("windowminimize", str(window))
        wait_until(lambda: "_NET_WM_STATE_HIDDEN" in self.desktop.window_state(window), what="minimised")
        self.desktop.xdotool("mousemove", str(x), str(y), "click", "1")
        wait_until(lambda: "_NET_WM_STATE_HIDDEN" not in self.desktop.window_state(window), 5,
                   what="planner back")
        self.desktop.shot("planner-forward")
        # A second planner would go through its start-up, hand over, and write its end.
        time.sleep(1.5)
        self.assertEqual(self.desktop.adopt("Moravel"), [])
        self.assertNotIn("MoravelBeendet=", self.desktop.settings_text())
        self.assertEqual(self.desktop.windows("Brisko Moravel"), [window])

    def test_reminders_due_while_the_main_window_was_open_come_after_termine_ueberwachen(self):
        create_database(self.desktop)
        for subject in ("Erster", "Zweiter"):
            insert(self.desktop.database, day_number(TODAY), "14:25", subject)
        self.desktop.start("Wardolin", fake_time="2026-12-07 14:24:57")
        monitor = self.desktop.app("Wardolin")
        wait_until(lambda: find(monitor, "push button", "Termine  überwachen"), what="main window")

        # While the window is shown its list follows the file, and no reminder comes.
        insert(self.desktop.database, day_number(TODAY) + 1, "09:00", "Dritter", lead_days="1")
        wait_until(lambda: "Betreff:  Dritter" in texts(monitor, "list item"), 3, what="new row listed")
        wait_until(lambda: "Sie haben 3 aktuelle Termine" in texts(monitor, "label"), 3, what="summary")
        self.assertEqual(self.popups_until(5), [])
        self.desktop.shot("paused")

        self.to_background(monitor)
        self.assertEqual(self.popups_until(6), ["Erster", "Zweiter"])


if __name__ == "__main__":
    run_scenarios(globals())
