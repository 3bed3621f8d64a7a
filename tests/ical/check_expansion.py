"""Expands the series that Moravel exports with python3-icalendar and python3-dateutil and
compares their days over ten years with the days the renewal gives (ChainDays.cpp)."""
import datetime
import os
import subprocess
import sys

from dateutil.rrule import rrulestr, rruleset
from icalendar import Calendar


def wall(value, zone):
    """A naive wall-clock datetime; every time of one event must name the zone of its DTSTART."""
    if isinstance(value, datetime.datetime):
        name = getattr(value.tzinfo, "zone", None)
        if name != zone:
            raise ValueError(f"time zone {name} differs from DTSTART's {zone}")
        return value.replace(tzinfo=None)
    return datetime.datetime.combine(value, datetime.time())


def values(event, name):
    prop = event.get(name)
    if prop is None:
        return []
    props = prop if isinstance(prop, list) else [prop]
    return [d.dt for p in props for d in p.dts]


def days_of(event):
    start = event["DTSTART"].dt
    zone = getattr(getattr(start, "tzinfo", None), "zone", None)
    rule_start = wall(start, zone)
    rule = rrulestr(event["RRULE"].to_ical().decode(), dtstart=rule_start)
    # Strict readers refuse a rule that does not produce its DTSTART (RFC 5545, 3.8.5.3).
    if next(iter(rule), None) != rule_start:
        raise ValueError(f"DTSTART {rule_start} is not the first day of the rule")
    series = rruleset()
    series.rrule(rule)
    extra = [wall(value, zone) for value in values(event, "RDATE")]
    for value in extra:
        series.rdate(value)
    for value in values(event, "EXDATE"):
        series.exdate(wall(value, zone))
    # DTSTART is the rule's first day; a chain's days before its stable part come as RDATEs.
    first = min([rule_start] + extra)
    last = first.replace(year=first.year + 10) if (first.month, first.day) != (2, 29) else \
        first.replace(year=first.year + 10, day=28)
    moments = series.between(first, last, inc=True)
    times = {m.time() for m in moments}
    if times != {first.time()}:
        raise ValueError(f"times {times} differ from DTSTART's {first.time()}")
    return [m.date().isoformat() for m in moments]


def main():
    tool, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    subprocess.run([tool, out], check=True)
    with open(os.path.join(out, "chains.ics"), "rb") as f:
        calendar = Calendar.from_ical(f.read())
    expected = {}
    with open(os.path.join(out, "chains.txt"), encoding="utf-8") as f:
        for line in f:
            uid, *days = line.split()
            expected[uid] = days
    failed = 0
    checked = 0
    for event in calendar.walk("VEVENT"):
        uid = str(event["UID"])
        got = days_of(event)
        checked += 1
        if got != expected.pop(uid):
            failed += 1
            if failed <= 10:
                print(f"{uid}: expanded {got[:8]} ... ({len(got)} days)", file=sys.stderr)
    failed += len(expected)
    for uid in list(expected)[:10]:
        print(f"{uid}: not in the exported file", file=sys.stderr)
    print(f"{checked - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
