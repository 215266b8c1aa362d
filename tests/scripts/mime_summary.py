#!/usr/bin/python3
"""Reads a MIME file (.eml, .mht) with Python's standard email package, an independent reader
of what we write, and prints what a mail program would find in it, one fact a line:

    defects=<what the parser found wrong in the structure, comma-separated; empty when none>
    header-defects=<Name>:<what is wrong with that header>|...   the same for header values
    <path>header:<name in lower case>=<decoded value>   every top-level header of each message;
                                                 address domains in IDNA come back in Unicode
    <path>part=<n> <type> disposition=<d> filename=<f> cid=<id> charset=<c> size=<bytes>
    <path>text=<the decoded text of a text part, whitespace collapsed>
    <path>message=<n>                            an attached message; its lines follow with
                                                 the path "<path><n>/"

With --dump DIR the decoded bytes of each leaf part are written to DIR/<path><n> ('/' as '_').

    mime_summary.py FILE [--dump DIR]
"""
import email
import email.policy
import os
import re
import sys


def shown(value):
    """A header value as a mail program shows it: addresses with their domain decoded from
    IDNA (xn--...) to Unicode."""
    addresses = getattr(value, "addresses", None)
    if not addresses or getattr(value, "groups", None) and any(g.display_name for g in value.groups):
        return str(value)
    out = []
    for a in addresses:
        try:
            domain = a.domain.encode("ascii").decode("idna")
        except (UnicodeError, ValueError):
            domain = a.domain
        spec = f"{a.username}@{domain}" if domain else a.username
        out.append(f"{a.display_name} <{spec}>" if a.display_name else spec)
    return ", ".join(out)


def collapse(text):
    """ASCII whitespace runs as one blank, as the C++ tests collapse their expectations."""
    return re.sub(r"[ \t\r\n\f\v]+", " ", text).strip()


class Summary:
    def __init__(self, dump):
        self.dump = dump
        self.defects = []
        self.header_defects = []
        self.lines = []

    def message(self, msg, path):
        self.defects += [type(d).__name__ for d in msg.defects]
        for name, value in msg.items():
            self.header_defects += [f"{name}:{d}" for d in getattr(value, "defects", ())]
            self.lines.append(f"{path}header:{name.lower()}={collapse(shown(value))}")
        self.leaves(msg, path, [0])

    def leaves(self, part, path, counter):
        if part.is_multipart() and part.get_content_type() != "message/rfc822":
            self.defects += [type(d).__name__ for d in part.defects]
            for sub in part.iter_parts():
                self.leaves(sub, path, counter)
            return
        counter[0] += 1
        n = counter[0]
        if part.get_content_type() == "message/rfc822":
            self.lines.append(f"{path}message={n}")
            inner = part.get_payload()[0]
            self.message(inner, f"{path}{n}/")
            return
        data = part.get_payload(decode=True) or b""
        self.defects += [type(d).__name__ for d in part.defects]
        self.lines.append(
            f"{path}part={n} {part.get_content_type()} disposition={part.get_content_disposition() or ''}"
            f" filename={part.get_filename() or ''} cid={part.get('Content-ID', '')}"
            f" charset={part.get_content_charset() or ''} size={len(data)}")
        if part.get_content_maintype() == "text":
            self.lines.append(f"{path}text={collapse(part.get_content())}")
        if self.dump:
            name = (f"{path}{n}").replace("/", "_")
            with open(os.path.join(self.dump, name), "wb") as f:
                f.write(data)


def main():
    dump = sys.argv[sys.argv.index("--dump") + 1] if "--dump" in sys.argv else None
    with open(sys.argv[1], "rb") as f:
        msg = email.message_from_binary_file(f, policy=email.policy.default)
    s = Summary(dump)
    s.message(msg, "")
    print("defects=" + ",".join(s.defects))
    print("header-defects=" + "|".join(s.header_defects))
    print("\n".join(s.lines))


if __name__ == "__main__":
    main()
