#!/usr/bin/python3
"""Every item of every sample .pst, exported as .msg and that directory of .msg files exported
as .eml, gives the .eml the .pst itself gives, byte for byte; the items are paired through the
two exports' manifests. Prints each item that differs and exits 1 when one does; exits 77
(skipped) when the samples are missing.

    check_msg_round_trip.py PELLMARK_EXPORT SAMPLES_DIR
"""
import csv
import os
import subprocess
import sys
import tempfile

program, samples = sys.argv[1:3]
pst_dir = os.path.join(samples, 'pst')
if not os.path.isdir(pst_dir):
    print('skipped: %s is missing' % pst_dir)
    sys.exit(77)

ROOT = 'Converted Outlook PST'
# Files whose items cannot be read at all (a password, damage) say nothing of the round trip.
status = 0


def export(fmt, source, out):
    run = subprocess.run([program, '-q', '-f', fmt, source, out], capture_output=True, text=True)
    if run.returncode not in (0, 1):
        raise SystemExit('%s -f %s %s failed (%d): %s' % (program, fmt, source, run.returncode,
                                                          run.stderr))
    return run


def manifest(root):
    with open(os.path.join(root, 'export-manifest.tsv'), encoding='utf-8', newline='') as f:
        return list(csv.DictReader(f, delimiter='\t', quoting=csv.QUOTE_NONE))


def relative_of(entry_id):
    """The path a .msg item's entry id carries: 4 zero bytes, a 16-byte UID, 'M', the path."""
    return bytes.fromhex(entry_id)[21:].decode('utf-8')


def read(path):
    with open(path, 'rb') as f:
        return f.read()


items = 0
vcards = 0
for name in sorted(os.listdir(pst_dir)):
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(pst_dir, name)
        export('eml', source, os.path.join(tmp, 'eml'))
        export('msg', source, os.path.join(tmp, 'msg'))
        msg_root = os.path.join(tmp, 'msg', ROOT)
        eml_root = os.path.join(tmp, 'eml', ROOT)
        eml = {row['entry_id']: row for row in manifest(eml_root)}
        msg = {row['entry_id']: row for row in manifest(msg_root)}
        again = {}
        if any(row['file'].endswith('.msg') for row in msg.values()):  # a file none of whose items can be read (a password) gives no .msg file
            export('eml', msg_root, os.path.join(tmp, 'again'))
            # A directory is one of many mailboxes: its export goes below a directory of its name.
            again_root = os.path.join(tmp, 'again', ROOT, ROOT)
            again = {relative_of(row['entry_id']): row for row in manifest(again_root)}
        for entry_id, row in eml.items():
            written = msg.get(entry_id)
            if written is None:
                print('%s: %s (%s) was not written as .msg' % (name, row['subject'], entry_id))
                status = 1
                continue
            if not written['file'].endswith('.msg'):
                # Contact folders give vCards whatever the format: no .msg to read back.
                vcards += 1
                continue
            back = again.get(written['file'])
            if back is None:
                print('%s: %s: %s was not read back' % (name, row['subject'], written['file']))
                status = 1
                continue
            items += 1
            first = read(os.path.join(eml_root, row['file']))
            second = read(os.path.join(again_root, back['file']))
            if first != second:
                print('%s: %s: %s and %s differ' % (name, row['subject'], row['file'],
                                                    back['file']))
                status = 1
print('%d items compared, %d contacts written as vCards passed over' % (items, vcards))
sys.exit(status)
