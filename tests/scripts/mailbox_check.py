#!/usr/bin/python3
"""Reads an mbox or Maildir export back as mail programs do and compares every message with
the .eml export of the same mailbox and with its JSON item listing.

    mailbox_check.py python-mbox MBOX_ROOT EML_ROOT ITEMS_JSON
    mailbox_check.py mutt        MBOX_ROOT EML_ROOT ITEMS_JSON
    mailbox_check.py imap        MAILDIR_ROOT EML_ROOT ITEMS_JSON
    mailbox_check.py mutt-maildir MAILDIR_ROOT EML_ROOT ITEMS_JSON
    mailbox_check.py summary     LISTING_JSON

MBOX_ROOT, MAILDIR_ROOT and EML_ROOT are export roots ("OUT/Converted Outlook PST/"), each
with its export-manifest.tsv. Every message the manifest puts into a mailbox must come back,
in the folder the manifest names, with the subject and the attachments (names and bytes) of
the .eml file of the same item, and the item's read, flagged and replied state (and for IMAP
and Python also forwarded, for IMAP its delivery date) from the listing. Mailboxes the
manifest names no message for must be empty. Prints "messages=<n> folders=<n>" and every
difference; exits 1 when there is one.

python-mbox reads with Python's mailbox.mbox; mutt opens each mbox (mutt-maildir: each
Maildir folder) with `mutt -R -f` (on a pseudo-terminal) and copies every message it found
into a new mbox, which is then read; imap starts a throw-away Dovecot on 127.0.0.1 over the
Maildir tree and fetches every message with imaplib, and stops Dovecot whatever happens. Over
IMAP each folder must be listed once, selectable, under the folder's own name (or that name
shortened to fit one directory entry), and hold its folder's messages only.
"""
import calendar
import collections
import email
import email.header
import email.policy
import hashlib
import json
import mailbox
import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mailbox_servers  # noqa: E402

problems = []


def problem(text):
    problems.append(text)


def manifest(root):
    rows = []
    with open(os.path.join(root, "export-manifest.tsv"), encoding="utf-8") as f:
        for line in f.read().splitlines()[1:]:
            fields = line.split("\t")
            rows.append({"entry_id": fields[0], "folder": fields[1], "file": fields[3],
                         "size": int(fields[4]), "sha256": fields[5],
                         "offset": int(fields[6]) if len(fields) > 6 and fields[6] else None})
    return rows


def subject_of(msg):
    raw = msg.get("Subject")
    if raw is None:
        return ""
    return " ".join(str(email.header.make_header(email.header.decode_header(str(raw)))).split())


def attachments_of(msg):
    out = []
    for part in msg.walk():
        if part.is_multipart() or part.get_filename() is None:
            continue
        data = part.get_payload(decode=True) or b""
        out.append((part.get_filename(), hashlib.sha256(data).hexdigest()))
    return sorted(out)


def content(raw_bytes):
    msg = email.message_from_bytes(raw_bytes, policy=email.policy.compat32)
    return subject_of(msg), attachments_of(msg)


class Expected:
    """What each item should come back as: the .eml export's content, the listing's state."""

    def __init__(self, eml_root, items_json):
        with open(items_json, encoding="utf-8") as f:
            self.items = {i["entry_id"]: i for i in json.load(f)["items"]}
        self.eml = {}
        for row in manifest(eml_root):
            if row["file"].endswith(".eml"):
                self.eml[row["entry_id"]] = os.path.join(eml_root, row["file"])

    def content(self, entry_id):
        with open(self.eml[entry_id], "rb") as f:
            return content(f.read())

    def state(self, entry_id, keys=("read", "flagged", "answered")):
        i = self.items[entry_id]
        return {k: i[k] for k in keys}


def compare(where, entry_id, expected, got_content, got_state, got_date=None):
    if entry_id not in expected.eml:
        return problem(f"{where}: item {entry_id} has no .eml in the eml export")
    want = expected.content(entry_id)
    if got_content[0] != want[0]:
        problem(f"{where}: subject {got_content[0]!r}, the .eml has {want[0]!r}")
    if got_content[1] != want[1]:
        problem(f"{where}: attachments {got_content[1]} differ from the .eml's {want[1]}")
    if got_state is not None and got_state != expected.state(entry_id, got_state):
        problem(f"{where}: state {got_state}, the item says {expected.state(entry_id, got_state)}")
    date = expected.items[entry_id]["date"]
    if got_date is not None and date is not None:
        want_date = calendar.timegm(time.strptime(date, "%Y-%m-%dT%H:%M:%SZ"))
        if got_date != want_date:
            problem(f"{where}: date {got_date}, delivered {want_date} ({date})")


def mbox_files(root):
    """Every mbox file of the export below its store directories, relative to the root."""
    for store in sorted(os.listdir(root)):
        top = os.path.join(root, store)
        if store in ("vCards", "Calendars") or not os.path.isdir(top):
            continue
        for d, dirs, files in os.walk(top):
            dirs[:] = [x for x in dirs if not x.startswith(".pellmark")]
            for f in files:
                yield os.path.relpath(os.path.join(d, f), root)


def state_from_status(msg):
    status, xstatus = msg.get("Status", ""), msg.get("X-Status", "")
    return {"read": "R" in status, "flagged": "F" in xstatus, "answered": "A" in xstatus}


def state_with_mozilla(msg):
    """The state, and forwarded as Thunderbird reads it from X-Mozilla-Status."""
    state = state_from_status(msg)
    state["forwarded"] = bool(int(msg.get("X-Mozilla-Status", "0"), 16) & 0x1000)
    return state


def check_mbox(root, expected, reader):
    rows = manifest(root)
    by_file = collections.defaultdict(list)
    for row in rows:
        if row["offset"] is not None:
            by_file[row["file"]].append(row)
    messages = folders = 0
    for rel in mbox_files(root):
        folders += 1
        want = sorted(by_file.get(rel, []), key=lambda r: r["offset"])
        path = os.path.join(root, rel)
        if reader == "mutt":
            found = mailbox_servers.mutt_copy(path) if want or os.path.getsize(path) else []
            offsets = [r["offset"] for r in want]  # mutt keeps the order of the file
        else:
            box = mailbox.mbox(path, create=False)
            keys = box.keys()
            offsets = [box._toc[k][0] for k in keys]
            found = [box.get_message(k) for k in keys]
        if [r["offset"] for r in want] != offsets or len(found) != len(want):
            problem(f"{rel}: {len(found)} messages at {offsets[:5]}..., the manifest lists "
                    f"{len(want)} at {[r['offset'] for r in want][:5]}...")
            continue
        for row, msg in zip(want, found):
            raw = msg.as_bytes() if reader == "mutt" else msg.as_bytes(unixfrom=False)
            compare(f"{rel}@{row['offset']}", row["entry_id"], expected, content(raw),
                    state_from_status(msg) if reader == "mutt" else state_with_mozilla(msg))
        messages += len(found)
    return messages, folders


def imap_folder(folder_path):
    """The IMAP name (UTF-8, '/' between names) of an Outlook folder path; a '/' in a name is
    written '_', an empty name "_"."""
    names = [n.replace("/", "_") or "_" for n in folder_path[2:].split("\\")]
    if len(names) == 1:
        return names[0]
    names = names[1:]
    if names[0].lower() == "inbox":
        names[0] = "INBOX"
    return "/".join(names)


def entry_bytes(imap_name):
    """The size of the Maildir++ directory entry of an IMAP name: ".A.B", IMAP UTF-7, '.', '\\'
    and a leading '~' as listescape's three-byte escapes."""
    size = 0
    for name in imap_name.split("/"):
        escapes = name.count(".") + name.count("\\") + name.startswith("~")
        size += 1 + len(mailbox_servers.imap_utf7_encode(name)) + 2 * escapes
    return size


def shows(listed, name):
    """Whether IMAP's `listed` shows the folder named `name`: the same name, or, where its
    Maildir++ entry would be longer than a directory entry can be, a shortening: names cut
    after whole characters and marked "~" and six hex digits, the names of a deep folder
    joined with " \u203a " below a folder above it, some of them left out for a "\u2026"."""
    if listed == name:
        return True
    if entry_bytes(name) <= 255:
        return False
    pieces = re.split("~[0-9a-f]{6}|\u2026", listed.replace("/", " \u203a "))
    pattern = ".*?".join(re.escape(p) for p in pieces)
    return re.fullmatch(pattern, name.replace("/", " \u203a "), re.S) is not None


def listed_row(by_hash, sha256, folder, state, expected):
    """The manifest's row of a message fetched from `folder`, taken from the rows not yet
    matched: of the same bytes, in that folder and in that state where there is one."""
    rows = by_hash.get(sha256)
    if not rows:
        return None

    def fits(r, same_state):
        if not shows(folder, imap_folder(r["folder"])):
            return False
        return not same_state or (r["entry_id"] in expected.items
                                  and expected.state(r["entry_id"], tuple(state)) == state)

    row = next((r for r in rows if fits(r, True)), None) or next(
        (r for r in rows if fits(r, False)), rows[0])
    rows.remove(row)
    return row


def check_imap(root, expected):
    rows = [r for r in manifest(root) if "/cur/" in r["file"]]
    by_hash = collections.defaultdict(list)  # identical items give identical files
    for r in rows:
        by_hash[r["sha256"]].append(r)
    want_counts = collections.Counter(r["folder"] for r in rows)
    store = rows[0]["file"].split("/")[0] if rows else sorted(
        d for d in os.listdir(root)
        if d not in ("vCards", "Calendars") and os.path.isdir(os.path.join(root, d)))[0]
    messages = 0
    shown = {}  # Outlook folder path -> the IMAP folder holding its messages
    with mailbox_servers.Dovecot(os.path.join(root, store)) as server:
        imap = server.connect()
        listing = server.folders(imap)
        for name, n in collections.Counter(n for _, n in listing).items():
            if n > 1:
                problem(f"IMAP lists {name!r} {n} times")
        for selectable, name in listing:
            if not selectable:
                for folder in want_counts:
                    if shows(name, imap_folder(folder)):
                        problem(f"IMAP lists {name!r} ({folder}) as a folder without messages")
                continue
            try:
                fetched = server.fetch_all(imap, name)
            except RuntimeError as e:
                problem(str(e))
                continue
            sources = set()
            for raw, flags, date in fetched:
                state = {"read": "\\Seen" in flags, "flagged": "\\Flagged" in flags,
                         "answered": "\\Answered" in flags, "forwarded": "$Forwarded" in flags}
                row = listed_row(by_hash, hashlib.sha256(raw.replace(b"\r\n", b"\n")).hexdigest(),
                                 name, state, expected)
                if row is None:
                    problem(f"{name}: a message the manifest does not list")
                    continue
                sources.add(row["folder"])
                compare(f"{name}/{row['entry_id']}", row["entry_id"], expected, content(raw),
                        state, date)
            if len(sources) > 1:
                problem(f"{name}: holds messages of {sorted(sources)}")
            for folder in sources:
                if not shows(name, imap_folder(folder)):
                    problem(f"{name}: holds the messages of {folder}, named {imap_folder(folder)!r}")
                if folder in shown:
                    problem(f"{folder}: its messages are in {shown[folder]!r} and {name!r}")
                shown[folder] = name
                if len(fetched) != want_counts[folder]:
                    problem(f"{name}: IMAP gives {len(fetched)} messages, the manifest "
                            f"{want_counts[folder]}")
            messages += len(fetched)
        for folder in sorted(set(want_counts) - set(shown)):
            problem(f"IMAP lists no folder with the messages of {folder} "
                    f"({imap_folder(folder)!r})")
        imap.logout()
    return messages, sum(1 for selectable, _ in listing if selectable)


def check_mutt_maildir(root, expected):
    """Each Maildir folder of the manifest as mutt reads it: the same messages, with their
    state, in any order."""
    by_folder = collections.defaultdict(list)
    for row in manifest(root):
        if "/cur/" in row["file"]:
            by_folder[row["file"].rsplit("/cur/", 1)[0]].append(row)
    messages = 0
    for rel, rows in sorted(by_folder.items()):
        found = mailbox_servers.mutt_copy(os.path.join(root, rel), mmdf=True)
        got = collections.Counter(repr((content(m.as_bytes()), state_from_status(m)))
                                  for m in found)
        want = collections.Counter(repr((expected.content(r["entry_id"]),
                                         expected.state(r["entry_id"]))) for r in rows)
        for key in sorted((want - got) + (got - want)):
            problem(f"{rel}: mutt finds {got[key]} and the export holds {want[key]} of {key}")
        messages += len(found)
    return messages, len(by_folder)


def summary(path):
    """A --list or --items JSON document as Python's json module reads it, a line per item:
    subject|folder name|date|sender address|recipients|states|attachments bytes."""
    with open(path, encoding="utf-8") as f:
        doc = json.load(f)
    if "folders" in doc:
        paths = sorted(f["path"] for f in doc["folders"])
        ids = all(f["entry_id"] and f["class"] and f["items"] >= 0 for f in doc["folders"])
        print(f"folders={len(paths)} paths={','.join(paths)} ids={ids}")
        return 0
    print(f"items={len(doc['items'])} warnings={len(doc['warnings'])}")
    for i in doc["items"]:
        states = ",".join(k for k in ("read", "flagged", "answered", "forwarded", "draft") if i[k])
        print(f"{i['subject']}|{i['folder'].split(chr(92))[-1]}|{i['date']}|"
              f"{i['sender']['address']}|{i['recipients']}|{states}|"
              f"{i['attachments']} {i['attachment_bytes']}|{bool(i['entry_id'])}")
    return 0


def main():
    if sys.argv[1] == "summary":
        return summary(sys.argv[2])
    mode, root, eml_root, items = sys.argv[1:5]
    expected = Expected(eml_root, items)
    if mode == "imap":
        messages, folders = check_imap(root, expected)
    elif mode == "mutt-maildir":
        messages, folders = check_mutt_maildir(root, expected)
    else:
        messages, folders = check_mbox(root, expected, "mutt" if mode == "mutt" else "python")
    print(f"messages={messages} folders={folders}")
    for p in problems[:40]:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
