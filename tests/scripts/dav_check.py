#!/usr/bin/python3
"""A mailbox export's calendars and address books served by a throw-away Radicale and read back
over CalDAV and CardDAV.

    dav_check.py EXPORT_ROOT [--range START END]...

Each .ics below EXPORT_ROOT/Calendars becomes a calendar collection and each directory of .vcf
files below EXPORT_ROOT/vCards an address book: one PUT of the whole file (of the directory's
cards one after another) to a new collection, which Radicale splits into one resource per UID.
Radicale runs on a free port of 127.0.0.1 with a storage folder of its own and no
authentication, and is stopped whatever happens. Then, one line per fact:

    COLLECTION <name> <calendar|addressbook> <resources>
    RANGE <start> <end> <name> <uid> <summary>   what a calendar-query REPORT for VEVENTs
                                                 overlapping [START, END) (UTC, 20240301T000000Z)
                                                 returns, by each resource's master event
    TODO <name> <uid> <summary>                  what a calendar-query for VTODOs returns
    CARD <name> <uid> <kind> <fn>                what an addressbook-query for every card returns
    MEMBER <group uid> <member> <fn>             each member of a group: the FN of the card of
                                                 the same address book a urn:uuid names, the
                                                 address of a mailto:, "-" when it names none

Collection names are the folders' paths below Calendars/ or vCards/, '/' written '-'.
"""
import ctypes
import http.client
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.parse
import xml.etree.ElementTree as ET

import icalendar
import vobject

from mailbox_servers import free_port

DAV = "{DAV:}"
CALDAV = "{urn:ietf:params:xml:ns:caldav}"
CARDDAV = "{urn:ietf:params:xml:ns:carddav}"
PYTHON = "/usr/bin/python3"


def die_with_parent():
    """Radicale ends with this script even when the script is killed."""
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class Radicale:
    """Radicale on a free port of 127.0.0.1: storage, configuration and log in a temporary
    directory, no authentication, every signed-in-less user allowed to read and write."""

    def __init__(self):
        if subprocess.run([PYTHON, "-c", "import radicale"], capture_output=True).returncode:
            raise RuntimeError("radicale is missing: install the Debian package radicale")
        self.tmp = tempfile.mkdtemp(prefix="pellmark-radicale-")
        self.port = free_port()
        self.config = os.path.join(self.tmp, "config")
        with open(self.config, "w") as f:
            f.write(f"""[server]
hosts = 127.0.0.1:{self.port}
[auth]
type = none
[rights]
type = authenticated
[storage]
filesystem_folder = {self.tmp}/collections
[web]
type = none
[logging]
level = warning
""")
        self.process = None

    def __enter__(self):
        self.log = open(os.path.join(self.tmp, "radicale.log"), "wb")
        self.process = subprocess.Popen([PYTHON, "-m", "radicale", "--config", self.config],
                                        stdout=self.log, stderr=subprocess.STDOUT,
                                        preexec_fn=die_with_parent)
        for _ in range(200):
            try:
                self.request("OPTIONS", "/")
                return self
            except OSError:
                if self.process.poll() is not None:
                    break
                time.sleep(0.05)
        self.__exit__()
        raise RuntimeError(f"radicale does not answer on port {self.port}: {self.log_text()}")

    def __exit__(self, *exc):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()
        shutil.rmtree(self.tmp, ignore_errors=True)
        return False

    def log_text(self):
        try:
            with open(os.path.join(self.tmp, "radicale.log"), errors="replace") as f:
                return f.read()[-2000:]
        except OSError:
            return ""

    def request(self, method, path, body=None, headers=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        try:
            connection.request(method, path, body=body, headers=headers or {})
            response = connection.getresponse()
            return response.status, response.read()
        finally:
            connection.close()

    def expect(self, status, wanted, what):
        if status not in wanted:
            raise RuntimeError(f"{what}: HTTP {status}\n{self.log_text()}")

    def upload(self, path, body, content_type):
        status, _ = self.request("PUT", path, body, {"Content-Type": content_type})
        self.expect(status, (201, 204), f"PUT {path}")

    def report(self, path, body):
        status, reply = self.request("REPORT", path, body.encode(), {
            "Depth": "1", "Content-Type": "application/xml; charset=utf-8"})
        self.expect(status, (207,), f"REPORT {path}")
        return ET.fromstring(reply)


def collection_path(relative):
    name = "-".join(relative.parts)
    return name, "/pellmark/" + urllib.parse.quote(name) + "/"


def collections(root):
    """(name, URL path, body, content type) of each calendar and address book of the export."""
    import pathlib
    root = pathlib.Path(root)
    found = []
    for ics in sorted((root / "Calendars").rglob("*.ics")):
        name, path = collection_path(ics.parent.relative_to(root / "Calendars"))
        found.append((name, path, ics.read_bytes(), "text/calendar"))
    cards = {}
    for vcf in sorted((root / "vCards").rglob("*.vcf")):
        cards.setdefault(vcf.parent, []).append(vcf.read_bytes())
    for folder, bodies in sorted(cards.items()):
        name, path = collection_path(folder.relative_to(root / "vCards"))
        found.append((name, path, b"".join(b if b.endswith(b"\n") else b + b"\n"
                                           for b in bodies), "text/vcard"))
    return found


def calendar_query(component, time_range=""):
    return f"""<?xml version="1.0" encoding="utf-8"?>
<C:calendar-query xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav">
 <D:prop><C:calendar-data/></D:prop>
 <C:filter><C:comp-filter name="VCALENDAR"><C:comp-filter name="{component}">{time_range}
 </C:comp-filter></C:comp-filter></C:filter>
</C:calendar-query>"""


ADDRESSBOOK_QUERY = """<?xml version="1.0" encoding="utf-8"?>
<C:addressbook-query xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">
 <D:prop><C:address-data/></D:prop>
 <C:filter test="anyof"><C:prop-filter name="UID"/><C:prop-filter name="FN"/></C:filter>
</C:addressbook-query>"""


def data_of(multistatus, tag):
    """The text of each response's `tag` property."""
    for response in multistatus.iter(DAV + "response"):
        for data in response.iter(tag):
            yield data.text or ""


def masters(calendar_text, kind):
    """(uid, summary) of each component of `kind` without a RECURRENCE-ID."""
    calendar = icalendar.Calendar.from_ical(calendar_text)
    for c in calendar.walk(kind):
        if "RECURRENCE-ID" not in c:
            yield str(c.get("UID", "")), str(c.get("SUMMARY", ""))


def query_calendars(dav, calendars, ranges):
    for start, end in ranges:
        time_range = f'<C:time-range start="{start}" end="{end}"/>'
        for name, path in calendars:
            for text in data_of(dav.report(path, calendar_query("VEVENT", time_range)),
                                CALDAV + "calendar-data"):
                for uid, summary in masters(text, "VEVENT"):
                    print("RANGE", start, end, name, uid, summary)
    for name, path in calendars:
        for text in data_of(dav.report(path, calendar_query("VTODO")), CALDAV + "calendar-data"):
            for uid, summary in masters(text, "VTODO"):
                print("TODO", name, uid, summary)


def value_of(card, name, default="-"):
    entries = card.contents.get(name.lower(), [])
    return entries[0].value if entries else default


def query_address_books(dav, books):
    for name, path in books:
        cards = [vobject.readOne(text) for text in
                 data_of(dav.report(path, ADDRESSBOOK_QUERY), CARDDAV + "address-data")]
        by_uid = {value_of(c, "UID"): c for c in cards}
        for card in cards:
            uid, kind = value_of(card, "UID"), value_of(card, "X-ADDRESSBOOKSERVER-KIND", "card")
            print("CARD", name, uid, kind, value_of(card, "FN"))
            for member in card.contents.get("x-addressbookserver-member", []):
                target = member.value
                if target.startswith("urn:uuid:"):
                    named = by_uid.get(target[len("urn:uuid:"):])
                    shown = value_of(named, "FN") if named else "-"
                elif target.startswith("mailto:"):
                    shown = target[len("mailto:"):]
                else:
                    shown = "-"
                print("MEMBER", uid, target, shown)


def main(argv):
    root, ranges, rest = argv[1], [], argv[2:]
    while rest:
        if rest[0] != "--range" or len(rest) < 3:
            raise SystemExit("usage: dav_check.py EXPORT_ROOT [--range START END]...")
        ranges.append((rest[1], rest[2]))
        rest = rest[3:]
    # A test that gives up on the script ends it with SIGTERM: the server stops with it.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    with Radicale() as dav:
        dav.expect(dav.request("MKCOL", "/pellmark/")[0], (201,), "MKCOL /pellmark/")
        calendars, books = [], []
        for name, path, body, content_type in collections(root):
            dav.upload(path, body, content_type)
            status, listing = dav.request("PROPFIND", path, b"", {"Depth": "1"})
            dav.expect(status, (207,), f"PROPFIND {path}")
            resources = len(ET.fromstring(listing).findall(DAV + "response")) - 1
            kind = "calendar" if content_type == "text/calendar" else "addressbook"
            print("COLLECTION", name, kind, resources)
            (calendars if kind == "calendar" else books).append((name, path))
        query_calendars(dav, calendars, ranges)
        query_address_books(dav, books)


if __name__ == "__main__":
    main(sys.argv)
