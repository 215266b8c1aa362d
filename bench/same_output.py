#!/usr/bin/python3
"""Whether two builds of pellmark-export write the same bytes for the same items.

    bench/same_output.py --old OLD/pellmark-export --new NEW/pellmark-export \
        [--mkpst pellmark-mkpst --items 3000 --seed 5] [--formats eml,msg,...] MAILBOX...

Exports every MAILBOX (and a generated one when --mkpst is given) in every format with both
builds and compares, item by item, what the manifests record: each item's folder and the size
and SHA-256 of each of its files (or mbox entries), in order. File names carry a random number,
so files are matched by the item they belong to, not by name. Prints one line per mailbox and
format, then every difference; exits 1 when there is any."""

import argparse
import collections
import os
import shutil
import subprocess
import sys
import tempfile

FORMATS = ["msg", "eml", "txt", "vcf", "rtf", "html", "mht", "mbox", "maildir"]


def export(binary, fmt, mailbox, out):
    shutil.rmtree(out, ignore_errors=True)
    r = subprocess.run([binary, "--format", fmt, mailbox, out], stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, text=True, errors="replace")
    return r.returncode, r.stdout


def items(out):
    """entry id -> [(folder, size, sha256), ...] in manifest order."""
    found = collections.defaultdict(list)
    path = os.path.join(out, "Converted Outlook PST", "export-manifest.tsv")
    if not os.path.exists(path):
        return found
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if len(fields) < 6 or fields[0] == "entry_id":
                continue
            found[fields[0]].append((fields[1], fields[4], fields[5]))
    return found


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--old", required=True)
    ap.add_argument("--new", required=True)
    ap.add_argument("--mkpst")
    ap.add_argument("--items", type=int, default=3000)
    ap.add_argument("--seed", type=int, default=5)
    ap.add_argument("--formats", default=",".join(FORMATS))
    ap.add_argument("mailboxes", nargs="*")
    a = ap.parse_args()
    work = tempfile.mkdtemp(prefix="same-output-")
    mailboxes = list(a.mailboxes)
    if a.mkpst:
        generated = os.path.join(work, "generated.pst")
        subprocess.run([a.mkpst, "--generate", str(a.items), generated, "--seed", str(a.seed),
                        "--quiet"], check=True)
        mailboxes.append(generated)
    differences = 0
    try:
        for mailbox in mailboxes:
            for fmt in a.formats.split(","):
                old_out, new_out = os.path.join(work, "old"), os.path.join(work, "new")
                old_status, old_log = export(a.old, fmt, mailbox, old_out)
                new_status, new_log = export(a.new, fmt, mailbox, new_out)
                old_items, new_items = items(old_out), items(new_out)
                same = sum(1 for k in old_items if new_items.get(k) == old_items[k])
                problems = []
                if old_status != new_status:
                    problems.append(f"exit status {old_status} then {new_status}")
                for k in sorted(set(old_items) | set(new_items)):
                    if old_items.get(k) != new_items.get(k):
                        problems.append(f"{k}: {old_items.get(k)} then {new_items.get(k)}")
                print(f"{os.path.basename(mailbox)} {fmt}: {same} of {len(old_items)} items the "
                      f"same, {len(problems)} differences")
                for p in problems[:20]:
                    print("   ", p)
                differences += len(problems)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"{differences} differences in all")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
