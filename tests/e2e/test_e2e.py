"""End-to-end scenarios: the real Moravel and Wardolin on a real X server, driven with the keyboard
and mouse, read through the accessibility tree, the database and the settings file."""

import hashlib
import os
import sqlite3
import time
import unittest
from datetime import date

from harness import Desktop, Session, cells, find, run_scenarios, texts, wait_until

BIN_DIR = ""
ARTIFACTS = ""
SESSION = None


def setUpModule():
    global SESSION
    SESSION = Session()


def tearDownModule():
    SESSION.close()
EPOCH = date(1899, 12, 30)
POPUP = "Fälliger Termin!"


def day_number(d):
    return (d - EPOCH).days


def insert(path, day, time_text, subject, recurrence="0", lead_days="0", lead_minutes="0", locked="0"):
    """A row as the planner writes it (German decimal comma)."""
    with sqlite3.connect(path, timeout=10) as db:
        fraction = ""
        moment = str(day)
        if time_text:
            h, m = map(int, time_text.split(":"))
            fraction = f"{(h * 60 + m) / 1440:.5f}".replace(".", ",")
            moment = f"{day},{fraction.split(',')[1]}".rstrip("0").rstrip(",")
        db.execute("INSERT INTO tblTermin (TerminDatum, TerminUhrzeit, TerminDatumUhrzeit, Betreff, Bemerkungen,"
                   " Wiederholung, VorTage, VorMinuten, sysGesperrt, TerminDatumUhrzeitMeldung)"
                   " VALUES (?,?,?,?,?,?,?,?,?,?)",
                   (str(day), fraction, moment, subject, "", recurrence, lead_days, lead_minutes, locked,
                    "0,00000"))


def create_database(desktop):
    """Lets the planner's own first start create the file, as a user's first start does."""
    planner = desktop.start("Moravel")
    wait_until(lambda: os.path.exists(desktop.database) and desktop.rows() == [], what="new database")
    planner.terminate()
    planner.wait(10)


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class Scenario(unittest.TestCase):
    def setUp(self):
        self.desktop = Desktop(SESSION, BIN_DIR, ARTIFACTS, self.id().split(".")[-1])

    def tearDown(self):
        self.desktop.shot("end")
        self.desktop.close()

    def planner(self, **kwargs):
        self.desktop.start("Moravel", **kwargs)
        app = self.desktop.app("Moravel")
        frame = wait_until(lambda: find(app, "frame", "Brisko Moravel"), what="planner window")
        return app, frame


class PlannerAndMonitor(Scenario):
    def test_first_start_creates_the_database_and_the_window(self):
        app, frame = self.planner()
        self.desktop.shot("first-start")
        self.assertTrue(os.path.exists(self.desktop.database))
        self.assertEqual(self.desktop.rows(), [])
        self.assertIn("0 Termine", texts(frame, "label"))
        tree = find(frame, "tree", "Termine")
        self.assertEqual(texts(tree, "table column header")[:6],
                         ["Tage / Grafik ", "Whg", "Datum", "Uhrzeit", "Vortage", "Betreff"])

    def test_an_added_appointment_reaches_the_monitor_within_two_seconds(self):
        create_database(self.desktop)
        insert(self.desktop.database, day_number(date(2026, 12, 7)), "11:00", "Vorhandener Termin")
        fake = "2026-12-07 10:00:00"
        self.desktop.start("Wardolin", fake_time=fake)
        monitor = self.desktop.app("Wardolin")
        # The monitor shows its current appointment; its button sends it to the background to watch.
        self.desktop.click(wait_until(lambda: find(monitor, "push button", "Termine  überwachen"), what="Command1"))
        wait_until(lambda: not self.desktop.windows("Brisko Wardolin"), what="monitor in the background")
        app, frame = self.planner(fake_time=fake)
        self.desktop.click(find(frame, "text", "Betreff:"))
        self.desktop.type("Zahnarzt Dr. Weber")
        self.desktop.click(find(frame, "text", "um:"))
        self.desktop.type("1200")
        self.desktop.shot("filled")
        self.desktop.key("alt+f")
        added = time.monotonic()
        wait_until(lambda: any(r["Betreff"] == "Zahnarzt Dr. Weber" for r in self.desktop.rows()), 5,
                   what="row in the table")
        row = self.desktop.rows("Betreff = 'Zahnarzt Dr. Weber'")[0]
        self.assertEqual((row["TerminDatum"], row["TerminUhrzeit"], row["TerminDatumUhrzeit"]),
                         ("46363", "0,50000", "46363,5"))
        wait_until(lambda: "Betreff:  Zahnarzt Dr. Weber" in texts(monitor, "list item"), 2.5,
                   interval=0.02, what="appointment in the monitor's list")
        self.assertLess(time.monotonic() - added, 2.5)
        self.assertIn("Termin:  Heute um 12:00 Uhr", texts(monitor, "list item"))
        tree = find(frame, "tree", "Termine")
        self.assertEqual([r[5] for r in cells(tree)], ["Vorhandener Termin", "Zahnarzt Dr. Weber"])
        self.desktop.shot("added")

    def test_the_reminder_comes_at_its_moment_on_top_and_a_click_dismisses_it(self):
        create_database(self.desktop)
        insert(self.desktop.database, day_number(date(2026, 12, 7)), "14:30", "Telefonkonferenz",
               lead_minutes="5")
        started = time.monotonic()
        self.desktop.start("Wardolin", fake_time="2026-12-07 14:24:55")
        monitor = self.desktop.app("Wardolin")
        # A current appointment shows the main window; monitoring resumes with its button.
        button = wait_until(lambda: find(monitor, "push button", "Termine  überwachen"), what="Command1")
        self.desktop.shot("main-window")
        self.desktop.click(button)
        popup = wait_until(lambda: self.desktop.windows(POPUP), 10, interval=0.05,
                           what="reminder popup")[0]
        elapsed = time.monotonic() - started
        self.desktop.shot("popup")
        # 14:25:00 is five seconds after the start; a tick comes at most a second later.
        self.assertGreaterEqual(elapsed, 4.0)
        self.assertLess(elapsed, 7.5)
        self.assertIn("_NET_WM_STATE_ABOVE", self.desktop.window_state(popup))
        labels = texts(monitor, "label")
        self.assertIn("Sie haben einen Termin in 5 Minuten", labels)
        self.assertIn("um 14:30 Uhr", labels)
        self.desktop.click(find(monitor, "label", "um 14:30 Uhr"))
        wait_until(lambda: not self.desktop.windows(POPUP), 5, what="popup dismissed")
        # Back in the tray: the icon is there and no window of the monitor is left on screen.
        wait_until(lambda: self.desktop.tray_icon("Wardolin"), 5, what="tray icon")
        self.assertFalse(self.desktop.windows("Brisko Wardolin"))
        self.desktop.shot("back-in-tray")

    def test_a_daily_reminder_just_after_midnight_comes_on_the_new_day_without_a_restart(self):
        create_database(self.desktop)
        # A daily row at 00:00:10 (the five-decimal moment 0,00012), last given on 7 December.
        with sqlite3.connect(self.desktop.database) as db:
            db.execute("INSERT INTO tblTermin (TerminDatum, TerminUhrzeit, TerminDatumUhrzeit, Betreff, Bemerkungen,"
                       " Wiederholung, VorTage, VorMinuten, sysGesperrt) VALUES (?,?,?,?,?,?,?,?,?)",
                       (str(day_number(date(2026, 12, 7))), "0,00012", "46363,00012", "Tabletten", "", "1", "0",
                        "0", "0"))
        self.desktop.start("Wardolin", fake_time="2026-12-07 23:59:56")
        monitor = self.desktop.app("Wardolin")
        self.desktop.click(wait_until(lambda: find(monitor, "push button", "Termine  überwachen"), what="Command1"))
        wait_until(lambda: self.desktop.tray_icon("Wardolin"), 5, what="monitor in the tray")
        self.desktop.shot("watching-before-midnight")
        wait_until(lambda: self.desktop.windows(POPUP), 25, interval=0.1, what="reminder on the new day")
        self.desktop.shot("reminder-after-midnight")
        subject = wait_until(lambda: find(monitor, "text", None), what="subject field")
        self.assertEqual(subject.queryText().getText(0, -1), "Tabletten")
        self.assertIn("um 00:00 Uhr", texts(monitor, "label"))
        chain = self.desktop.rows("Betreff = 'Tabletten'")
        self.assertEqual([(r["TerminDatum"], r["sysGesperrt"]) for r in chain],
                         [(str(day_number(date(2026, 12, 7))), "1"), (str(day_number(date(2026, 12, 8))), "0")])

    def test_a_reminder_is_a_desktop_notification_and_spaeter_erinnern_there_brings_it_again_later(self):
        create_database(self.desktop)
        insert(self.desktop.database, day_number(date(2026, 12, 7)), "14:30", "Telefonkonferenz mit Hamburg",
               lead_minutes="5")
        bus = self.desktop.watch_notifications()
        # The monitor's clock and timers run thirty times as fast: five minutes pass in ten seconds.
        rate = 30
        self.desktop.start("Wardolin", fake_time="2026-12-07 14:22:00", rate=rate)
        monitor = self.desktop.app("Wardolin")
        self.desktop.click(wait_until(lambda: find(monitor, "push button", "Termine  überwachen"), what="Command1"))
        first = wait_until(lambda: bus.messages("Notify"), 15, what="notification")[0]
        body = "Telefonkonferenz mit Hamburg\num 14:30 Uhr\nSie haben einen Termin in 5 Minuten"
        self.assertEqual(first.args[:7], ["Wardolin", "0", "wardolin", "Fälliger Termin!", body,
                                          ["ok", "OK", "spaeter", "Später erinnern"], []])
        self.assertIn('string "image-data"', first.text)
        wait_until(lambda: self.desktop.windows(POPUP), 5, what="reminder popup")
        self.desktop.shot("popup-and-notification")

        # The popup's choice of minutes is what "Später erinnern" in the notification takes.
        self.desktop.click(wait_until(lambda: find(monitor, "combo box", "10 Min."), what="minutes"))
        self.desktop.key("Up", "Return")
        wait_until(lambda: find(monitor, "combo box", "5 Min."), what="five minutes chosen")
        self.desktop.dunstctl("context")
        chosen = wait_until(lambda: bus.messages("ActionInvoked"), 5, what="action chosen")[0]
        self.assertEqual(chosen.args[1], "spaeter")
        wait_until(lambda: not self.desktop.windows(POPUP), 5, what="popup closed")
        self.assertEqual(self.desktop.dunstctl("count", "displayed").strip(), "0")

        second = wait_until(lambda: bus.messages("Notify")[1:], 30, what="second notification")[0]
        self.assertEqual(second.args[4], body)
        waited = (second.time - chosen.time) * rate
        self.assertGreaterEqual(waited, 299.0)
        self.assertLess(waited, 310.0)
        wait_until(lambda: self.desktop.windows(POPUP), 5, what="reminder popup again")
        self.desktop.shot("reminded-again")
        subject = wait_until(lambda: find(monitor, "text", None), what="subject field")
        self.assertEqual(subject.queryText().getText(0, -1), "Telefonkonferenz mit Hamburg")
        # OK in the popup closes the notification as well, and nothing comes a third time.
        self.desktop.click(find(monitor, "push button", "OK"))
        wait_until(lambda: self.desktop.dunstctl("count", "displayed").strip() == "0", 5, what="notification closed")
        self.assertEqual(len(bus.messages("Notify")), 2)

    def test_a_saved_minimised_monitor_comes_back_minimised_on_top_and_keeps_its_place(self):
        create_database(self.desktop)
        insert(self.desktop.database, day_number(date.today()) + 1, "09:00", "Morgen", lead_days="1")
        os.makedirs(os.path.join(self.desktop.config_dir, "BriskoMoravel"))
        with open(os.path.join(self.desktop.config_dir, "BriskoMoravel", "BriskoMoravel.ini"), "w") as f:
            f.write("[Wardol]\nWindowStateX=1\nMainLeft=1500\nMainTop=1500\nMainWidth=6000\nMainHeight=6000\n")
        self.desktop.start("Wardolin")
        window = wait_until(lambda: self.desktop.xdotool("search", "--name", "Brisko Wardolin").split(),
                            what="monitor window")[0]
        wait_until(lambda: "_NET_WM_STATE_HIDDEN" in self.desktop.window_state(window), 5, what="minimised")
        self.assertIn("_NET_WM_STATE_ABOVE", self.desktop.window_state(window))
        self.desktop.shot("minimised")
        self.desktop.close_window(int(window))
        for process in self.desktop.programs:
            process.wait(10)
        values = dict(line.split("=", 1) for line in self.desktop.settings_text().splitlines() if "=" in line)
        self.assertEqual((values["WindowStateX"], values["MainLeft"], values["MainTop"]), ("1", "1500", "1500"))

    def test_starting_the_monitor_from_the_menu_asks_when_it_seems_to_run(self):
        os.makedirs(os.path.join(self.desktop.config_dir, "BriskoMoravel"))
        with open(os.path.join(self.desktop.config_dir, "BriskoMoravel", "BriskoMoravel.ini"), "w") as f:
            f.write("[Termin]\nIstAktiv=1\n")
        app, frame = self.planner()
        for answer in ("Nein", "Ja"):
            self.desktop.key("alt+t")
            item = wait_until(lambda: find(app, "menu item", "Automatische Wardolin starten"),
                              what="menu entry")
            self.desktop.click(item)
            question = wait_until(lambda: find(app, "label", "Wardolin läuft bereits.\n"
                                               "Soll die Wardolin trotzdem neu gestartet werden?    "),
                                  what="question")
            self.desktop.shot("question")
            self.desktop.click(wait_until(lambda: find(app, "push button", answer), what=answer))
            if answer == "Nein":
                time.sleep(1.5)  # give a wrongly started monitor the time to show up
                self.assertFalse(self.monitor_running())
            else:
                wait_until(self.monitor_running, 10, what="monitor started")
        self.assertIsNotNone(question)

    def monitor_running(self):
        return bool(self.desktop.adopt("Wardolin"))

    def test_a_left_click_on_the_tray_icon_starts_the_planner(self):
        create_database(self.desktop)
        self.desktop.start("Wardolin")
        x, y = wait_until(lambda: self.desktop.tray_icon("Wardolin"), 10, what="tray icon")
        self.desktop.shot("tray")
        self.assertIn("IstAktiv=1", self.desktop.settings_text())
        self.desktop.xdotool("mousemove", str(x), str(y), "click", "1")
        planner = wait_until(lambda: self.desktop.adopt("Moravel"), 10, what="planner started")[0]
        app = self.desktop.app("Moravel")
        wait_until(lambda: find(app, "frame", "Brisko Moravel"), what="planner window")
        self.assertEqual(os.readlink(f"/proc/{planner.pid}/exe"), os.path.join(BIN_DIR, "Moravel"))
        self.desktop.shot("planner-from-tray")

    def test_the_planner_asks_before_starting_a_running_monitor(self):
        create_database(self.desktop)
        self.desktop.start("Wardolin")
        wait_until(lambda: "IstAktiv=1" in self.desktop.settings_text(), what="monitor running")
        app, frame = self.planner()
        self.desktop.key("alt+t")
        self.desktop.click(wait_until(lambda: find(app, "menu item", "Automatische Wardolin starten"),
                                      what="menu entry"))
        wait_until(lambda: find(app, "label", "Wardolin läuft bereits.\n"
                                "Soll die Wardolin trotzdem neu gestartet werden?    "), what="question")
        self.desktop.shot("question")
        self.desktop.click(wait_until(lambda: find(app, "push button", "Nein"), what="Nein"))
        time.sleep(1.0)  # give a wrongly started second monitor the time to show up
        self.assertEqual(self.desktop.adopt("Wardolin"), [])

    def test_planner_and_monitor_started_together_leave_exactly_one_chain(self):
        create_database(self.desktop)
        today = date.today()
        rounds = 20
        for round_number in range(rounds):
            with sqlite3.connect(self.desktop.database) as db:
                db.execute("DELETE FROM tblTermin")
            insert(self.desktop.database, day_number(today) - 12, "07:30", "Tabletten", recurrence="1")
            insert(self.desktop.database, day_number(today) - 21, "18:00", "Chor", recurrence="2")
            planner = self.desktop.start("Moravel")
            monitor = self.desktop.start("Wardolin")
            wait_until(lambda: len(self.desktop.rows()) == 1 + 12 + 1 + 3, 10, what="renewed backlog")
            wait_until(lambda: self.desktop.windows("Brisko Moravel"), 10, what="planner window")
            for process in (planner, monitor):
                process.terminate()
                process.wait(10)
            rows = self.desktop.rows()
            for subject, occurrences in (("Tabletten", 13), ("Chor", 4)):
                chain = [r for r in rows if r["Betreff"] == subject]
                days = [r["TerminDatum"] for r in chain]
                self.assertEqual(len(chain), occurrences, f"round {round_number}")
                self.assertEqual(len(set(days)), occurrences, f"round {round_number}: doubled occurrence")
                self.assertEqual(sum(r["sysGesperrt"] == "0" for r in chain), 1, f"round {round_number}")
        self.desktop.shot("after-races")

    def test_a_second_planner_ends_itself_and_brings_the_first_to_the_front(self):
        app, frame = self.planner()
        first = self.desktop.windows("Brisko Moravel")[0]
        self.desktop.xdotool("windowminimize", str(first))
        wait_until(lambda: "_NET_WM_STATE_HIDDEN" in self.desktop.window_state(first), what="minimised")
        second = self.desktop.start("Moravel")
        second.wait(15)
        wait_until(lambda: "_NET_WM_STATE_HIDDEN" not in self.desktop.window_state(first), 5,
                   what="first planner back")
        self.desktop.shot("first-in-front")
        self.assertEqual(self.desktop.windows("Brisko Moravel"), [first])
        self.assertIn("MoravelBeendet=", self.desktop.settings_text())

    def test_compaction_leaves_the_file_alone_while_the_monitor_has_it_open(self):
        create_database(self.desktop)
        for i in range(300):
            insert(self.desktop.database, day_number(date.today()) + 400 + i, "09:00", f"Termin {i}")
        with sqlite3.connect(self.desktop.database) as db:
            db.execute("DELETE FROM tblTermin WHERE ID % 3 <> 0")  # free pages a compaction would reclaim
        self.desktop.start("Wardolin")
        self.desktop.app("Wardolin")
        before = digest(self.desktop.database)
        app, frame = self.planner()
        self.assertEqual(digest(self.desktop.database), before)
        for process in self.desktop.programs:
            process.terminate()
            process.wait(10)
        # Alone, the planner does compact the file.
        size = os.path.getsize(self.desktop.database)
        self.planner()
        self.assertLess(os.path.getsize(self.desktop.database), size)

    def test_closing_both_programs_writes_their_settings(self):
        create_database(self.desktop)
        insert(self.desktop.database, day_number(date.today()) + 1, "09:00", "Morgen", lead_days="1")
        app, frame = self.planner()
        planner_window = self.desktop.windows("Brisko Moravel")[0]
        self.desktop.start("Wardolin")
        self.desktop.app("Wardolin")
        monitor_window = wait_until(lambda: self.desktop.windows("Brisko Wardolin"), what="monitor window")[0]
        for window in (planner_window, monitor_window):
            self.desktop.xdotool("windowactivate", "--sync", str(window))
            self.desktop.key("alt+F4")
        for process in self.desktop.programs:
            process.wait(10)
        text = self.desktop.settings_text()
        values = dict(line.split("=", 1) for line in text.splitlines() if "=" in line)
        for key in ("TerminFensterTop", "TerminFensterLeft", "TerminFensterWidth", "TerminFensterHeight",
                    "MainLeft", "MainTop", "MainWidth", "MainHeight"):
            float(values[key].replace(",", "."))
        self.assertEqual(values["MoravelPfad"], BIN_DIR.rstrip("/"))
        # The settings file quotes a text with a comma, so that it is not taken for a list.
        self.assertRegex(values["MoravelBeendet"], r'^"?\d{5}(,\d+)?"?$')
        self.assertEqual(values["WindowStateX"], "0")
        self.assertEqual(values["IstAktiv"], "0")


class CalendarFiles(Scenario):
    def menu_entry(self, app, name):
        self.desktop.key("alt+t")
        self.desktop.click(wait_until(lambda: find(app, "menu item", name), what=name))

    def answer_file_dialog(self, title, path):
        """Qt's own file dialog: the name field has the focus; a whole path there chooses the file."""
        window = wait_until(lambda: self.desktop.windows(title), what=f"file dialog {title}")[0]
        self.desktop.xdotool("windowactivate", "--sync", str(window))
        self.desktop.shot("file-dialog")
        self.desktop.key("ctrl+a")
        self.desktop.type(path)
        self.desktop.key("Return")

    def confirm(self, app, text):
        wait_until(lambda: find(app, "label", text), what=f"message {text}")
        self.desktop.shot("summary")
        self.desktop.click(wait_until(lambda: find(app, "push button", "OK"), what="OK"))

    def test_export_and_import_through_the_menu_and_the_file_dialog(self):
        import icalendar
        create_database(self.desktop)
        today = date.today()
        insert(self.desktop.database, day_number(today) + 3, "09:30", "Zahnarzt Dr. Müller", lead_minutes="15")
        insert(self.desktop.database, day_number(today) + 5, "", "Müllabfuhr", recurrence="2")
        app, frame = self.planner()
        path = os.path.join(self.desktop.root, "termine.ics")

        self.menu_entry(app, "Exportieren (iCalendar) ...")
        self.answer_file_dialog("Termine exportieren", path)
        self.confirm(app, "2 Termine exportiert")
        with open(path, "rb") as f:
            calendar = icalendar.Calendar.from_ical(f.read())
        events = {str(e["SUMMARY"]): e for e in calendar.walk("VEVENT")}
        self.assertEqual(sorted(events), ["Müllabfuhr", "Zahnarzt Dr. Müller"])
        self.assertEqual(dict(events["Müllabfuhr"]["RRULE"])["FREQ"], ["WEEKLY"])
        self.assertEqual(events["Zahnarzt Dr. Müller"].decoded("DTSTART").strftime("%H:%M"), "09:30")
        self.assertEqual(len(events["Zahnarzt Dr. Müller"].walk("VALARM")), 1)

        # The rows gone from the file, the same file brings them back, and once only.
        with sqlite3.connect(self.desktop.database, timeout=10) as db:
            db.execute("DELETE FROM tblTermin")
        for summary in ("2 Termine übernommen", "0 Termine übernommen, 2 schon vorhanden"):
            self.menu_entry(app, "Importieren (iCalendar) ...")
            self.answer_file_dialog("Termine importieren", path)
            self.confirm(app, summary)
        tree = find(frame, "tree", "Termine")
        wait_until(lambda: sorted(r[5] for r in cells(tree)) == ["Müllabfuhr", "Zahnarzt Dr. Müller"],
                   what="imported rows listed")
        self.assertEqual(len(self.desktop.rows()), 2)
        self.desktop.shot("imported")


if __name__ == "__main__":
    run_scenarios(globals())
