"""Has other calendar programs read Moravel's export (ClientRows.cpp): khal imported into a vdir
and listed, calcurse -i, and python3-icalendar with dateutil's expansion. Each must read it without
a warning and give the same occurrences and reminders as the planner; each runs with its own
home, configuration and data in the test's directory."""
import datetime
import os
import re
import shutil
import subprocess
import sys

from dateutil.rrule import rrulestr, rruleset
from icalendar import Calendar

FIRST = datetime.date(2027, 1, 1)
LAST = datetime.date(2031, 3, 1)


def expected_occurrences(path):
    """{subject: [(start text, lead days, lead minutes)]} as the planner gives them."""
    result = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            start, subject, days, minutes = line.rstrip("\n").split("|")
            result.setdefault(subject, []).append((start, int(days), int(minutes)))
    return result


def run(args, env, stdin=subprocess.DEVNULL):
    done = subprocess.run(args, env=env, stdin=stdin, capture_output=True, text=True, timeout=240)
    return done.returncode, done.stdout, done.stderr


def private_env(root):
    env = dict(os.environ, HOME=os.path.join(root, "home"), XDG_CONFIG_HOME=os.path.join(root, "config"),
               XDG_DATA_HOME=os.path.join(root, "data"), XDG_CACHE_HOME=os.path.join(root, "cache"),
               TZ="Europe/Berlin", LANG="C.UTF-8", LC_ALL="C.UTF-8")
    for name in ("home", "config", "data", "cache"):
        os.makedirs(os.path.join(root, name), exist_ok=True)
    return env


def compare(client, got, expected):
    """got: {subject: [start text]}; the lists of starts must be equal."""
    failed = 0
    for subject, occurrences in expected.items():
        want = [o[0] for o in occurrences]
        have = sorted(got.get(subject, []))
        if have != want:
            failed += 1
            if failed <= 5:
                print(f"{client}: {subject}: {have[:6]} ... ({len(have)}) instead of {want[:6]} ... "
                      f"({len(want)})", file=sys.stderr)
    for subject in set(got) - set(expected):
        failed += 1
        print(f"{client}: unknown event {subject}", file=sys.stderr)
    return failed


def check_khal(ics, expected, root):
    env = private_env(root)
    vdir = os.path.join(root, "vdir")
    os.makedirs(vdir, exist_ok=True)
    os.makedirs(os.path.join(env["XDG_CONFIG_HOME"], "khal"), exist_ok=True)
    with open(os.path.join(env["XDG_CONFIG_HOME"], "khal", "config"), "w", encoding="utf-8") as f:
        f.write(f"[calendars]\n[[privat]]\npath = {vdir}\ntype = calendar\n"
                "[locale]\ntimeformat = %H:%M\ndateformat = %Y-%m-%d\nlongdateformat = %Y-%m-%d\n"
                "datetimeformat = %Y-%m-%d %H:%M\nlongdatetimeformat = %Y-%m-%d %H:%M\n"
                "local_timezone = Europe/Berlin\ndefault_timezone = Europe/Berlin\n"
                "[default]\ndefault_calendar = privat\n")
    code, out, err = run(["khal", "import", "--batch", "-a", "privat", ics], env)
    if code != 0 or err.strip():
        print(f"khal import: status {code}: {err.strip()}", file=sys.stderr)
        return 1
    code, out, err = run(["khal", "list", "--format", "{start}|{title}|{alarm-symbol}", "--day-format", "",
                          FIRST.isoformat(), LAST.isoformat()], env)
    if code != 0 or err.strip():
        print(f"khal list: status {code}: {err.strip()}", file=sys.stderr)
        return 1
    got = {}
    alarms = {}
    for line in out.splitlines():
        if not line.strip():
            continue
        start, subject, alarm = line.split("|")
        got.setdefault(subject, []).append(start.strip())
        alarms[subject] = bool(alarm.strip())
    failed = compare("khal", got, expected)
    for subject, occurrences in expected.items():
        if alarms.get(subject) != (occurrences[0][1] > 0 or occurrences[0][2] > 0 or " " in occurrences[0][0]):
            failed += 1
            print(f"khal: {subject}: reminder shown {alarms.get(subject)}", file=sys.stderr)
    return failed


def rule_starts(ics):
    """{subject: DTSTART's day} of each event."""
    with open(ics, "rb") as f:
        calendar = Calendar.from_ical(f.read())
    starts = {}
    for event in calendar.walk("VEVENT"):
        start = event["DTSTART"].dt
        starts[str(event["SUMMARY"])] = start.date() if isinstance(start, datetime.datetime) else start
    return starts


def check_calcurse(ics, expected, root):
    # calcurse reads no RDATE: of a chain that starts on a clamped day it has the days from DTSTART,
    # the first day of the part where the chain keeps its day of the month, on.
    starts = rule_starts(ics)
    expected = {subject: [o for o in occurrences if o[0][:10] >= starts[subject].isoformat()]
                for subject, occurrences in expected.items()}
    env = private_env(root)
    data = os.path.join(root, "calcurse")
    os.makedirs(data, exist_ok=True)
    code, out, err = run(["calcurse", "-D", data, "-i", ics], env)
    if code != 0 or " 0 skipped" not in out or err.strip():
        print(f"calcurse -i: status {code}: {out.strip()} {err.strip()}", file=sys.stderr)
        return 1
    code, out, err = run(["calcurse", "-D", data, "-Q", "--from", FIRST.strftime("%m/%d/%Y"),
                          "--to", LAST.strftime("%m/%d/%Y"), "--format-apt", "%(start:%H:%M)|%m\n",
                          "--format-recur-apt", "%(start:%H:%M)|%m\n", "--format-event", "|%m\n",
                          "--format-recur-event", "|%m\n"], env)
    if code != 0:
        print(f"calcurse -Q: status {code}: {err.strip()}", file=sys.stderr)
        return 1
    got = {}
    day = None
    for line in out.splitlines():
        if line.endswith(":") and "|" not in line:
            day = datetime.datetime.strptime(line[:-1], "%m/%d/%y").date().isoformat()
        elif "|" in line:
            time, subject = line.split("|", 1)
            got.setdefault(subject, []).append(f"{day} {time}" if time else day)
    failed = compare("calcurse", got, expected)
    # Every timed appointment reminds (at its time when it has no lead minutes): calcurse marks it
    # for notification ("!" before the subject in its file); calcurse's whole-day events cannot be.
    with open(os.path.join(data, "apts"), encoding="utf-8") as f:
        marked = {m.group(1) for m in (re.search(r" !(.*)$", line.rstrip("\n")) for line in f) if m}
    for subject, occurrences in expected.items():
        timed = " " in occurrences[0][0]
        if timed != (subject in marked):
            failed += 1
            print(f"calcurse: {subject}: notification {subject in marked}", file=sys.stderr)
    return failed


def lead_of(alarm):
    return -alarm["TRIGGER"].dt


def check_python(ics, expected):
    with open(ics, "rb") as f:
        calendar = Calendar.from_ical(f.read())
    got = {}
    failed = 0
    for event in calendar.walk("VEVENT"):
        subject = str(event["SUMMARY"])
        start = event["DTSTART"].dt
        timed = isinstance(start, datetime.datetime)
        naive = start.replace(tzinfo=None) if timed else datetime.datetime.combine(start, datetime.time())
        series = rruleset()
        series.rdate(naive)
        if "RRULE" in event:
            series.rrule(rrulestr(event["RRULE"].to_ical().decode(), dtstart=naive))
        rdates = event.get("RDATE", [])
        for prop in rdates if isinstance(rdates, list) else [rdates]:
            for value in prop.dts:
                series.rdate(value.dt.replace(tzinfo=None) if timed else
                             datetime.datetime.combine(value.dt, datetime.time()))
        occurrences = series.between(datetime.datetime.combine(FIRST, datetime.time()),
                                     datetime.datetime.combine(LAST, datetime.time(23, 59)), inc=True)
        got[subject] = [m.strftime("%Y-%m-%d %H:%M") if timed else m.date().isoformat() for m in occurrences]
        leads = sorted(lead_of(a) for a in event.walk("VALARM"))
        _, days, minutes = expected[subject][0]
        want = sorted(d for d in (datetime.timedelta(days=days) if days else None,
                                  datetime.timedelta(minutes=minutes) if timed else None) if d is not None)
        if leads != want:
            failed += 1
            print(f"python3-icalendar: {subject}: reminders {leads} instead of {want}", file=sys.stderr)
    return failed + compare("python3-icalendar", got, expected)


def main():
    tool, out = sys.argv[1], sys.argv[2]
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    subprocess.run([tool, out], check=True)
    ics = os.path.join(out, "clients.ics")
    expected = expected_occurrences(os.path.join(out, "clients.txt"))
    results = {
        "khal": check_khal(ics, expected, os.path.join(out, "khal")),
        "calcurse": check_calcurse(ics, expected, os.path.join(out, "calcurse-root")),
        "python3-icalendar": check_python(ics, expected),
    }
    for client, failed in results.items():
        print(f"{client}: {len(expected) - failed if failed <= len(expected) else 0} of {len(expected)} "
              f"events read alike")
    return 1 if any(results.values()) else 0


if __name__ == "__main__":
    sys.exit(main())
