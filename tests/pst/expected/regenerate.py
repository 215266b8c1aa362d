#!/usr/bin/python3
"""Regenerates the expected listings of the real samples from an independent reader.

Runs pffexport (Debian pff-tools) on every .pst/.ost in ../shared/samples/pst and writes one
<sample>.tsv here, so the test suite compares our reader with the peer without needing it:

    F <TAB> folder path <TAB> number of items
    I <TAB> folder path <TAB> position <TAB> kind <TAB> subject <TAB> attachments <TAB> bytes

Folder paths start below the root folder and join names with "/"; positions count from 1 in
the folder's contents table; the kind is pffexport's item type (Message, Contact, ...); bytes
are the attachment files it wrote (embedded messages count as attachments, not as bytes).

Usage: tests/pst/expected/regenerate.py [SAMPLES_DIR]
"""
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ITEM_DIR = re.compile(r"^([A-Za-z]+)(\d{5})$")


def header_files(item_dir, kind):
    return [p for p in (os.path.join(item_dir, "OutlookHeaders.txt"),
                        os.path.join(item_dir, kind + ".txt")) if os.path.exists(p)]


def subject_of(item_dir, kind):
    for headers in header_files(item_dir, kind):
        with open(headers, encoding="utf-8", errors="replace") as f:
            for line in f:
                if line.startswith("Subject:"):
                    return line[len("Subject:"):].strip("\t\r\n")
    return ""


def attachments_of(item_dir):
    adir = os.path.join(item_dir, "Attachments")
    if not os.path.isdir(adir):
        return 0, 0
    count = 0
    size = 0
    for name in os.listdir(adir):
        count += 1
        path = os.path.join(adir, name)
        if os.path.isfile(path):
            size += os.path.getsize(path)
    return count, size


def escape(s):
    return s.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def walk(folder, rel, out):
    entries = sorted(os.listdir(folder))
    items = []
    subfolders = []
    for name in entries:
        path = os.path.join(folder, name)
        if not os.path.isdir(path):
            continue
        m = ITEM_DIR.match(name)
        if m and header_files(path, m.group(1)):
            items.append((int(m.group(2)), m.group(1), path))
        else:
            subfolders.append((name, path))
    if rel:
        out.append("F\t%s\t%d" % (escape(rel), len(items)))
    for pos, kind, path in sorted(items):
        count, size = attachments_of(path)
        out.append("I\t%s\t%d\t%s\t%s\t%d\t%d" % (escape(rel), pos, kind,
                                                 escape(subject_of(path, kind)), count, size))
    for name, path in subfolders:
        walk(path, rel + "/" + name if rel else name, out)


# pffexport decodes 8-bit text as windows-1252 unless told otherwise; these samples are not.
CODEPAGES = {"hht__contacts97-2002.pst": "windows-932"}


def main():
    samples = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "../../../../shared/samples")
    pst_dir = os.path.join(samples, "pst")
    for name in sorted(os.listdir(pst_dir)):
        with tempfile.TemporaryDirectory() as tmp:
            target = os.path.join(tmp, "out")
            codepage = ["-c", CODEPAGES[name]] if name in CODEPAGES else []
            subprocess.run(["pffexport", "-q", "-m", "all", "-f", "text"] + codepage +
                           ["-t", target, os.path.join(pst_dir, name)], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            lines = []
            walk(target + ".export", "", lines)
        stem = os.path.splitext(name)[0]
        with open(os.path.join(HERE, stem + ".tsv"), "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        print("%s: %d lines" % (stem, len(lines)))


if __name__ == "__main__":
    main()
