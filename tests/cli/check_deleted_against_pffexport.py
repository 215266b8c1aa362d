#!/usr/bin/env python3
"""Deleted items and earlier versions that pellmark-export --recover deleted writes, against what
pffexport -m all (Debian pff-tools) recovers from the same file, on every sample .pst and .ost.

Every subject pffexport recovers must be one that pellmark-export recovers too, or the subject of
a live item of the file (pffexport also gives index entries that hold a live item's very data
again; pellmark-export writes those once, as the live item). Prints a table per sample.
Exit status 0 when every sample passes, 1 otherwise, 77 (skipped) when pffexport or the samples
are missing.

It then writes a mailbox with pellmark-mkpst whose deleted items stay in its free space, and
checks that pellmark-export recovers each of them, in its folder's place, and pffexport too.

usage: check_deleted_against_pffexport.py PELLMARK_EXPORT SAMPLES_DIR [PELLMARK_MKPST]
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

ITEM = re.compile(r"^(Message|Contact|Appointment|Task|Meeting|Note|Activity|"
                  r"DistributionList|Document|Journal|Conflict)\d{5}$")
# pffexport decodes 8-bit text as windows-1252 unless told otherwise: a subject stored in
# another code page shows as that page's bytes read as 1252.
CODEPAGES = ["cp932", "cp936", "cp949", "cp950", "cp1250", "cp1251", "cp1253", "cp1255"]


def pff_recovered(sample, scratch):
    target = os.path.join(scratch, "pff")
    subprocess.run(["pffexport", "-m", "all", "-q", "-t", target, sample],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
    found = []
    top = target + ".recovered"
    if not os.path.isdir(top):
        return found
    for name in sorted(os.listdir(top)):
        if not ITEM.match(name):
            continue  # a recovered folder
        subject = ""
        item = os.path.join(top, name)
        for text in sorted(os.listdir(item)):
            if not text.endswith(".txt"):
                continue
            with open(os.path.join(item, text), encoding="utf-8", errors="replace") as f:
                for line in f:
                    if line.startswith("Subject:"):
                        subject = line.split(":", 1)[1].strip()
                        break
            if subject:
                break
        found.append((name, subject))
    return found


def unprintable(field):
    # The manifest writes control characters escaped and backslashes as they are.
    return field.replace("\\t", "\t").replace("\\n", "\n")


def ours(program, sample, scratch):
    out = os.path.join(scratch, "ours")
    run = subprocess.run([program, "-f", "txt", "-q", "--recover", "deleted", sample, out],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
    manifest = os.path.join(out, "Converted Outlook PST", "export-manifest.tsv")
    recovered, live = [], set()
    with open(manifest, encoding="utf-8") as f:
        header = f.readline().rstrip("\n").split("\t")
        assert header[-1] == "recovered", header
        for line in f:
            fields = line.rstrip("\n").split("\t")
            subject, how = unprintable(fields[2]), fields[-1]
            if how.startswith(("deleted", "earlier version")):
                recovered.append((subject, how))
            elif not how:
                live.add(subject)
    return run.returncode, recovered, live


def same_subject(pff, ours_subject):
    if pff == ours_subject.strip():
        return True
    for cp in CODEPAGES:
        try:
            if ours_subject.encode(cp).decode("cp1252", errors="ignore").strip() == pff:
                return True
        except UnicodeError:
            continue
    return False


GENERATED = {
    "store": {"name": "Generated"},
    "folders": [
        {"name": "Inbox", "class": "IPF.Note", "messages": [
            {"subject": "Kept {n}", "body": "kept", "repeat": 3},
            {"subject": "Deleted mail {n}", "body": "gone", "deletedItem": True, "repeat": 4,
             "to": [{"name": "Bob", "email": "bob@example.com"}]},
            {"subject": "Deleted with attachment", "body": "gone", "deletedItem": True,
             "attachments": [{"name": "a.txt", "text": "hello"}]}],
         "folders": [{"name": "Projects", "class": "IPF.Note", "messages": [
             {"subject": "Deleted below", "deletedItem": True}]}]},
        {"name": "Contacts", "class": "IPF.Contact", "messages": [
            {"kind": "contact", "givenName": "Ann", "surname": "Lee", "deletedItem": True},
            {"kind": "contact", "givenName": "Bo", "surname": "Ng"}]}]}
DELETED = {"Deleted mail 1": "Inbox", "Deleted mail 2": "Inbox", "Deleted mail 3": "Inbox",
           "Deleted mail 4": "Inbox", "Deleted with attachment": "Inbox",
           "Deleted below": "Inbox\\Projects", "Ann Lee": "Contacts"}


def check_generated(program, mkpst):
    with tempfile.TemporaryDirectory() as scratch:
        spec, pst = os.path.join(scratch, "gen.json"), os.path.join(scratch, "gen.pst")
        with open(spec, "w", encoding="utf-8") as f:
            json.dump(GENERATED, f)
        subprocess.run([mkpst, "--quiet", "--from", spec, pst], check=True)
        pff = pff_recovered(pst, scratch)
        status, recovered, live = ours(program, pst, scratch)
        manifest = os.path.join(scratch, "ours", "Converted Outlook PST", "export-manifest.tsv")
        with open(manifest, encoding="utf-8") as f:
            folders = {unprintable(l.split("\t")[2]): l.split("\t")[1]
                       for l in f.readlines()[1:]}
    problems = []
    got = {s for s, how in recovered if how.startswith("deleted")}
    if got != set(DELETED) or len(recovered) != len(DELETED):
        problems.append("recovered %r, wanted %r" % (sorted(got), sorted(DELETED)))
    for subject, folder in DELETED.items():
        if folders.get(subject) != "\\\\Recovered items\\Deleted\\" + folder:
            problems.append("%s in %r" % (subject, folders.get(subject)))
    if live != {"Kept 1", "Kept 2", "Kept 3", "Bo Ng"}:
        problems.append("live items %r" % sorted(live))
    missed = [s for _, s in pff if not any(same_subject(s, o) for o, _ in recovered)]
    if len(pff) != len(DELETED) or missed:
        problems.append("pffexport recovered %d, %r not by us" % (len(pff), missed))
    print("generated mailbox with %d deleted items | pffexport %d | ours %d | %s" % (
        len(DELETED), len(pff), len(recovered), "ok" if not problems and status == 0
        else "; ".join(problems) + " (status %d)" % status))
    return not problems and status == 0


def main():
    program, samples = sys.argv[1], os.path.join(sys.argv[2], "pst")
    if shutil.which("pffexport") is None:
        print("pffexport (Debian pff-tools) is not installed: skipped")
        return 77
    if not os.path.isdir(samples):
        print("no samples at " + samples + ": skipped")
        return 77
    failures = 0
    print("sample | pffexport recovered (distinct subjects) | ours (whole / in part) | "
          "pffexport's only a live item's subject | result")
    for name in sorted(os.listdir(samples)):
        if not name.lower().endswith((".pst", ".ost")):
            continue
        sample = os.path.join(samples, name)
        with tempfile.TemporaryDirectory() as scratch:
            pff = pff_recovered(sample, scratch)
            status, recovered, live = ours(program, sample, scratch)
        missing, as_live = [], 0
        for item, subject in pff:
            if any(same_subject(subject, s) for s, _ in recovered):
                continue
            if any(same_subject(subject, s) for s in live):
                as_live += 1
                continue
            missing.append(item + " " + repr(subject))
        in_part = sum(1 for _, how in recovered if "in part" in how)
        ok = not missing and status in (0, 1)
        failures += not ok
        print("%s | %d (%d) | %d (%d / %d) | %d | %s" % (
            name, len(pff), len({s for _, s in pff}), len(recovered), len(recovered) - in_part,
            in_part, as_live, "ok" if ok else "MISSING " + "; ".join(missing) + " (status %d)" % status))
        for subject, how in recovered:
            print("    ours: %r: %s" % (subject, how))
    if len(sys.argv) > 3 and not check_generated(program, sys.argv[3]):
        failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
