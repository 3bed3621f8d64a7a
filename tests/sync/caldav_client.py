"""An independent CalDAV client for the sync tests (python3-caldav): makes the calendar, adds,
changes and lists events the way another program on the server's side would."""

import sys
from datetime import datetime, timedelta

import caldav


def main():
    command, url, user, password, *rest = sys.argv[1:]
    client = caldav.DAVClient(url=url, username=user or None, password=password or None)
    if command == "mkcal":
        base, name = url.rstrip("/").rsplit("/", 1)
        principal = caldav.DAVClient(url=base + "/", username=user, password=password).principal()
        principal.make_calendar(name=name, cal_id=name)
        return
    calendar = caldav.Calendar(client=client, url=url)
    if command == "add":
        uid, summary, start, alarm_minutes = rest
        begin = datetime.strptime(start, "%Y%m%dT%H%M%S")
        calendar.save_event(
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Andere//Kalender//DE\r\nBEGIN:VEVENT\r\n"
            f"UID:{uid}\r\nDTSTAMP:20261201T120000Z\r\nDTSTART:{begin:%Y%m%dT%H%M%S}\r\n"
            f"DTEND:{begin + timedelta(hours=1):%Y%m%dT%H%M%S}\r\nSUMMARY:{summary}\r\n"
            f"BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:{summary}\r\nTRIGGER:-PT{alarm_minutes}M\r\n"
            "END:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
    elif command == "rename":
        uid, summary = rest
        event = calendar.event_by_uid(uid)
        event.vobject_instance.vevent.summary.value = summary
        event.save()
    elif command == "summaries":
        for event in calendar.events():
            print(event.vobject_instance.vevent.summary.value)


if __name__ == "__main__":
    main()
