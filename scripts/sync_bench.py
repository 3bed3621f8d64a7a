#!/usr/bin/python3
"""The sync of 2 000 appointments, ours (bench_sync) against vdirsyncer's, on the same Radicale on
127.0.0.1: the first upload, a sync with nothing changed and one after a single edit. A counting
proxy in front of the server counts the requests of both alike; prints a Markdown table.

Usage: sync_bench.py BENCH_SYNC [COUNT]"""

import http.client
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
from datetime import date, timedelta
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

USER, PASSWORD = "anna", "geheim"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_listening(port):
    for _ in range(200):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            return
        except OSError:
            time.sleep(0.1)
    raise SystemExit("sync_bench: the server does not answer on port %d" % port)


class Counter:
    requests = 0


def proxy_to(upstream_port):
    class Forward(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def forward(self):
            Counter.requests += 1
            length = int(self.headers.get("Content-Length") or 0)
            body = self.rfile.read(length) if length else None
            connection = http.client.HTTPConnection("127.0.0.1", upstream_port, timeout=600)
            headers = {k: v for k, v in self.headers.items() if k.lower() not in ("host", "connection")}
            connection.request(self.command, self.path, body=body, headers=headers)
            answer = connection.getresponse()
            data = answer.read()
            self.send_response(answer.status)
            for name, value in answer.getheaders():
                if name.lower() not in ("content-length", "connection", "transfer-encoding"):
                    self.send_header(name, value)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)
            connection.close()

        do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_MKCALENDAR = do_MKCOL = do_OPTIONS = forward

    return Forward


def event(uid, i, day, weekly):
    rule = "RRULE:FREQ=WEEKLY\r\n" if weekly else ""
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//DE\r\nBEGIN:VEVENT\r\nUID:%s\r\n"
            "DTSTAMP:20261201T120000Z\r\nDTSTART:%sT150000\r\n%sSUMMARY:Termin %d\r\n"
            "DESCRIPTION:Bemerkung %d\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Termin\r\n"
            "TRIGGER:-PT15M\r\nEND:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"
            % (uid, day.strftime("%Y%m%d"), rule, i, i))


def main():
    bench_sync = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
    work = tempfile.mkdtemp(prefix="moravel-sync-bench.")
    server = None
    try:
        port, proxy_port = free_port(), free_port()
        with open(os.path.join(work, "users"), "w") as users:
            users.write("%s:%s\n" % (USER, PASSWORD))
        with open(os.path.join(work, "config"), "w") as config:
            config.write("[server]\nhosts = 127.0.0.1:%d\n[auth]\ntype = htpasswd\nhtpasswd_filename = %s/users\n"
                         "htpasswd_encryption = plain\n[storage]\nfilesystem_folder = %s/storage\n"
                         "[rights]\ntype = owner_only\n[logging]\nlevel = warning\n" % (port, work, work))
        server = subprocess.Popen(["/usr/bin/python3", "-m", "radicale", "--config", work + "/config"])
        wait_listening(port)
        proxy = ThreadingHTTPServer(("127.0.0.1", proxy_port), proxy_to(port))
        threading.Thread(target=proxy.serve_forever, daemon=True).start()
        base = "http://127.0.0.1:%d/%s/" % (proxy_port, USER)
        client = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "sync", "caldav_client.py")
        for name in ("ours", "vdirsyncer"):
            subprocess.run(["/usr/bin/python3", client, "mkcal", base + name + "/", USER, PASSWORD], check=True)

        rows = []
        Counter.requests = 0
        ours = subprocess.run([bench_sync, base + "ours/", USER, PASSWORD, str(count)], check=True,
                              capture_output=True, text=True).stdout.split("\n")
        for line in filter(None, ours):
            phase, requests, seconds = line.split()
            rows.append(("Moravel", phase, int(requests), float(seconds)))
        ours_counted = Counter.requests

        vdir = os.path.join(work, "vdir")
        os.makedirs(vdir)
        os.makedirs(os.path.join(work, "status"))
        first = date.today() + timedelta(days=1)
        for i in range(count):
            with open(os.path.join(vdir, "t%d.ics" % i), "w", newline="") as f:
                f.write(event("t%d@bench" % i, i, first + timedelta(days=i), i % 7 == 0))
        with open(os.path.join(work, "vdirsyncer.conf"), "w") as config:
            config.write('[general]\nstatus_path = "%s/status/"\n[pair bench]\na = "lokal"\nb = "server"\n'
                         'collections = null\n[storage lokal]\ntype = "filesystem"\npath = "%s/"\n'
                         'fileext = ".ics"\n[storage server]\ntype = "caldav"\nurl = "%svdirsyncer/"\n'
                         'username = "%s"\npassword = "%s"\n' % (work, vdir, base, USER, PASSWORD))
        vdirsyncer = ["/usr/bin/vdirsyncer", "-c", work + "/vdirsyncer.conf"]
        subprocess.run(vdirsyncer + ["discover"], check=True, capture_output=True, stdin=subprocess.DEVNULL)

        def timed(phase):
            Counter.requests = 0
            started = time.monotonic()
            subprocess.run(vdirsyncer + ["sync"], check=True, capture_output=True, stdin=subprocess.DEVNULL)
            rows.append(("vdirsyncer", phase, Counter.requests, time.monotonic() - started))

        timed("first")
        timed("unchanged")
        edited = os.path.join(vdir, "t%d.ics" % (count // 2))
        with open(edited) as f:
            text = f.read()
        with open(edited, "w", newline="") as f:
            f.write(text.replace("SUMMARY:Termin %d\r\n" % (count // 2), "SUMMARY:Termin geaendert\r\n"))
        timed("edit")

        names = {"first": "erstes Hochladen", "unchanged": "ohne Änderung", "edit": "eine Änderung"}
        print("| Abgleich von %d Terminen (Radicale, 127.0.0.1) | Programm | Anfragen | Sekunden |" % count)
        print("|---|---|---|---|")
        for program, phase, requests, seconds in sorted(rows, key=lambda r: (list(names).index(r[1]), r[0])):
            print("| %s | %s | %d | %.2f |" % (names[phase], program, requests, seconds))
        print("\n(Moravel's own count %d requests in all, the proxy's %d)" %
              (sum(r[2] for r in rows if r[0] == "Moravel"), ours_counted))
    finally:
        if server:
            server.kill()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
