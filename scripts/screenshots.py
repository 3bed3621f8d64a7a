#!/usr/bin/python3
"""Makes the README's screenshots from the current build on an Xvfb desktop:
  /usr/bin/python3 scripts/screenshots.py [build/bin]
Writes docs/screenshots/*.png. Uses the end-to-end harness of tests/e2e."""

import os
import sqlite3
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from harness import Desktop, Session, find, wait_until  # noqa: E402

OUT = os.path.join(ROOT, "docs", "screenshots")
FAKE_NOW = "2026-12-07 14:24:56"
TODAY = 46363  # 7 December 2026

APPOINTMENTS = [  # day offset, time, subject, recurrence, lead days, lead minutes
    (0, "15:00", "Teamrunde Projekt Nordlicht", "2", "1", "10"),
    (0, "14:30", "Telefonkonferenz mit Hamburg", "0", "0", "5"),
    (1, "09:00", "Zahnarzt Dr. Weber", "0", "2", "30"),
    (2, "19:00", "Elternabend", "0", "1", "60"),
    (5, "10:00", "Steuerberater: Unterlagen abgeben", "0", "3", "15"),
    (10, "18:00", "Geburtstag Anna", "6", "7", "0"),
    (20, "12:00", "Auto zur Inspektion", "0", "5", "30"),
    (45, "09:30", "Jahresgespräch", "0", "10", "15"),
    (180, "14:00", "Versicherung kündigen", "0", "14", "0"),
]


def fill(database):
    with sqlite3.connect(database) as db:
        for offset, time_text, subject, recurrence, days, minutes in APPOINTMENTS:
            h, m = map(int, time_text.split(":"))
            fraction = f"{(h * 60 + m) / 1440:.5f}".replace(".", ",")
            day = TODAY + offset
            db.execute("INSERT INTO tblTermin (TerminDatum, TerminUhrzeit, TerminDatumUhrzeit, Betreff, Bemerkungen,"
                       " Wiederholung, VorTage, VorMinuten, sysGesperrt, TerminDatumUhrzeitMeldung)"
                       " VALUES (?,?,?,?,'',?,?,?,'0','0,00000')",
                       (str(day), fraction, f"{day},{fraction[2:]}", subject, recurrence, days, minutes))


def save(desktop, name, window_title=None):
    path = os.path.join(OUT, name)
    target = ["-window", "root"]
    if window_title:
        target = ["-window", str(wait_until(lambda: desktop.windows(window_title), what=window_title)[0]),
                  "-frame"]
    subprocess.run(["import", "-display", desktop.display, *target, path], check=True)
    print("wrote", os.path.relpath(path, ROOT))


def main():
    bin_dir = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "bin"))
    os.makedirs(OUT, exist_ok=True)
    session = Session()
    desktop = Desktop(session, bin_dir, "/tmp/moravel-screenshots", "planner")
    try:
        planner = desktop.start("Moravel", fake_time=FAKE_NOW)
        wait_until(lambda: desktop.rows() == [], what="database")
        planner.terminate()
        planner.wait(10)
        fill(desktop.database)

        desktop.start("Moravel", fake_time=FAKE_NOW)
        app = desktop.app("Moravel")
        frame = wait_until(lambda: find(app, "frame", "Brisko Moravel"), what="planner")
        time.sleep(0.5)
        save(desktop, "moravel-main.png", "Brisko Moravel")

        tree = find(frame, "tree", "Termine")
        x, y = tree.queryComponent().getExtents(0).x, tree.queryComponent().getExtents(0).y
        desktop.xdotool("mousemove", str(x + 300), str(y + 200), "mousedown", "3")
        time.sleep(0.5)
        save(desktop, "moravel-legende.png")
        desktop.xdotool("mouseup", "3")

        desktop.click(find(frame, "text", "Betreff:"))
        desktop.type("Kundentermin Firma Brandt")  # xdotool types ASCII reliably on Xvfb
        # A typed day, the widest weekday and the longest name of a special day.
        desktop.click(find(frame, "text", "Termin am:"))
        desktop.key("ctrl+a")
        desktop.type("06.05.2027")
        desktop.click(find(frame, "text", "um:"))
        desktop.type("1100")
        desktop.click(find(frame, "text", "Minuten vorher melden"))
        desktop.type("15")
        desktop.click(find(frame, "text", "Termin-Beschreibung"))
        desktop.type("Angebot mitnehmen")
        time.sleep(0.3)
        save(desktop, "moravel-eingabe.png", "Brisko Moravel")

        desktop.key("alt+x", "Return")
        save(desktop, "moravel-feiertage.png", "Feiertage  ")
        desktop.key("alt+F4")
        time.sleep(0.3)

        desktop.key("alt+h")
        save(desktop, "moravel-hilfe.png", "Brisko Moravel - Hilfe")
        desktop.key("Escape")
        desktop.key("alt+i")
        time.sleep(0.3)
        desktop.key("Up", "Return")
        save(desktop, "moravel-info.png", "Version ")
        desktop.key("Escape")

        monitor = desktop.start("Wardolin", fake_time=FAKE_NOW)
        monitor_app = desktop.app("Wardolin")
        time.sleep(0.5)
        save(desktop, "wardolin-main.png", "Brisko Wardolin")
        desktop.click(wait_until(lambda: find(monitor_app, "push button", "Termine  überwachen"), what="Command1"))
        time.sleep(0.3)
        save(desktop, "wardolin-popup.png", "Fälliger Termin!")
        monitor.terminate()
    finally:
        desktop.close()
        session.close()


if __name__ == "__main__":
    main()
