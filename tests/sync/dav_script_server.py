"""A CalDAV calendar at /cal/ in memory whose faults the sync tests script: a refused write (412),
a sync token it no longer knows, no sync-collection report at all, a connection dropped in the
middle of a PUT. It logs every request; POST /_control changes what it does and GET /_log tells
what it was asked.

Usage: dav_script_server.py PORT"""

import functools
import json
import sys
import threading
import uuid
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from xml.etree import ElementTree
from xml.sax.saxutils import escape

DAV = "{DAV:}"
COLLECTION = "/cal/"


class Calendar:
    def __init__(self):
        self.items = {}  # href -> (etag, body)
        self.changes = []  # (token number, href)
        self.token = 1
        self.log = []
        self.faults = {}

    def change(self, href, body=None):
        self.token += 1
        if body is None:
            self.items.pop(href, None)
        else:
            self.items[href] = ('"%s"' % uuid.uuid4().hex, body)
        self.changes.append((self.token, href))

    def token_text(self):
        return "http://moravel.test/sync/%d" % self.token


calendar = Calendar()
lock = threading.Lock()


def locked(method):
    """One request at a time changes the calendar, though several connections are open."""
    @functools.wraps(method)
    def run(self):
        with lock:
            return method(self)
    return run


def response(href, props="", status="200 OK"):
    inner = "<d:propstat><d:prop>%s</d:prop><d:status>HTTP/1.1 %s</d:status></d:propstat>" % (props, status)
    if status.startswith("404"):
        inner = "<d:status>HTTP/1.1 404 Not Found</d:status>"
    return "<d:response><d:href>%s</d:href>%s</d:response>" % (escape(href), inner)


def multistatus(responses, token=None):
    tail = "<d:sync-token>%s</d:sync-token>" % token if token else ""
    return ('<?xml version="1.0" encoding="utf-8"?><d:multistatus xmlns:d="DAV:" '
            'xmlns:c="urn:ietf:params:xml:ns:caldav">%s%s</d:multistatus>' % ("".join(responses), tail))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length else b""

    def answer(self, status, text="", headers=()):
        data = text.encode("utf-8")
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        if text:
            self.send_header("Content-Type", "application/xml; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def record(self, body):
        entry = {"method": self.command, "path": self.path, "body": body.decode("utf-8", "replace")}
        for name in ("If-Match", "If-None-Match", "Depth"):
            if self.headers.get(name) is not None:
                entry[name] = self.headers.get(name)
        calendar.log.append(entry)
        return entry

    @locked
    def do_GET(self):
        if self.path == "/_log":
            return self.answer(200, json.dumps(calendar.log))
        self.answer(404)

    @locked
    def do_POST(self):
        order = json.loads(self.body() or b"{}")
        for href, body in order.get("put", {}).items():
            calendar.change(href, body)
        for href in order.get("delete", []):
            calendar.change(href)
        if "expire" in order:
            calendar.changes.clear()
            calendar.token += 1000
        calendar.faults.update(order.get("faults", {}))
        if order.get("clearLog"):
            calendar.log.clear()
        self.answer(200, json.dumps({"token": calendar.token_text(), "hrefs": sorted(calendar.items)}))

    @locked
    def do_PROPFIND(self):
        self.record(self.body())
        responses = [response(COLLECTION, "<d:resourcetype><d:collection/><c:calendar/></d:resourcetype>"
                                          "<d:displayname>Skript</d:displayname>")]
        if self.headers.get("Depth") == "1":
            responses += [response(href, "<d:getetag>%s</d:getetag>" % escape(etag))
                          for href, (etag, _) in sorted(calendar.items.items())]
        self.answer(207, multistatus(responses))

    @locked
    def do_REPORT(self):
        body = self.body()
        self.record(body)
        root = ElementTree.fromstring(body)
        if root.tag == DAV + "sync-collection":
            return self.sync_collection(root)
        hrefs = [h.text for h in root.iter(DAV + "href")]
        responses = []
        for href in hrefs:
            if href in calendar.items:
                etag, data = calendar.items[href]
                responses.append(response(href, "<d:getetag>%s</d:getetag><c:calendar-data>%s</c:calendar-data>"
                                          % (escape(etag), escape(data))))
            else:
                responses.append(response(href, status="404 Not Found"))
        self.answer(207, multistatus(responses))

    def sync_collection(self, root):
        if calendar.faults.get("noSyncCollection"):
            return self.answer(501)
        token = (root.findtext(DAV + "sync-token") or "").strip()
        if not token:
            hrefs = sorted(calendar.items)
        else:
            prefix = "http://moravel.test/sync/"
            number = int(token[len(prefix):]) if token.startswith(prefix) else -1
            oldest = calendar.changes[0][0] - 1 if calendar.changes else calendar.token
            if number < oldest or number > calendar.token:
                return self.answer(403, '<?xml version="1.0"?><d:error xmlns:d="DAV:"><d:valid-sync-token/>'
                                        '</d:error>')
            hrefs = sorted({href for n, href in calendar.changes if n > number})
        responses = []
        for href in hrefs:
            if href in calendar.items:
                responses.append(response(href, "<d:getetag>%s</d:getetag>" % escape(calendar.items[href][0])))
            else:
                responses.append(response(href, status="404 Not Found"))
        self.answer(207, multistatus(responses, calendar.token_text()))

    @locked
    def do_PUT(self):
        length = int(self.headers.get("Content-Length") or 0)
        if calendar.faults.get("dropPut"):
            calendar.faults["dropPut"] -= 1
            if calendar.faults["dropPut"] == 0:
                self.rfile.read(length // 2)
                self.record(b"")["dropped"] = True
                self.close_connection = True
                self.connection.shutdown(2)
                return
        body = self.rfile.read(length)
        self.record(body)
        current = calendar.items.get(self.path)
        match = self.headers.get("If-Match")
        none_match = self.headers.get("If-None-Match")
        refused = calendar.faults.get("refusePut", "")
        if ((refused and refused in body.decode("utf-8", "replace")) or
                (match is not None and (current is None or current[0] != match)) or
                (none_match == "*" and current is not None)):
            return self.answer(412)
        calendar.change(self.path, body.decode("utf-8"))
        self.answer(201 if current is None else 204, headers=[("ETag", calendar.items[self.path][0])])

    @locked
    def do_DELETE(self):
        self.record(self.body())
        current = calendar.items.get(self.path)
        match = self.headers.get("If-Match")
        if current is None:
            return self.answer(404)
        if match is not None and current[0] != match:
            return self.answer(412)
        calendar.change(self.path)
        self.answer(204)


def main():
    server = ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler)
    server.serve_forever()


if __name__ == "__main__":
    main()
