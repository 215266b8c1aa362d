#!/usr/bin/python3
"""The load file of every sample .pst, read with Python's csv module (the quote þ, the field
delimiter 0x14): its header names the fields, every row has them all, document ids are unique,
every attachment's parent is there and spans its family, every native file exists with the
size, MD5, SHA-1 and SHA-256 its row gives, and the manifest lists it with the same document.
The ids stay what they were across --resume: after a run cut short between two items (the
rows and files of its last items taken away) and after one stopped by SIGINT, the resumed run
gives every item the id an uninterrupted run gives it. No run (of every format, and the
listings) changes the input's SHA-256.
Exits 77 (skipped) when the samples are missing.

    check_load_file.py PELLMARK_EXPORT PELLMARK_MKPST SAMPLES_DIR
"""
import csv
import hashlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

program, mkpst, samples = sys.argv[1:4]
pst_dir = os.path.join(samples, 'pst')
if not os.path.isdir(pst_dir):
    print('skipped: %s is missing' % pst_dir)
    sys.exit(77)

ROOT = 'Converted Outlook PST'
FIELDS = ['BEGDOC', 'ENDDOC', 'BEGATTACH', 'ENDATTACH', 'PARENT_DOCID', 'DUPLICATE_OF',
          'CUSTODIAN', 'FOLDER_PATH', 'FROM', 'TO', 'CC', 'BCC', 'SUBJECT', 'DATE_SENT',
          'DATE_RECEIVED', 'MESSAGE_ID', 'CONVERSATION_INDEX', 'ATTACHMENT_COUNT', 'FILE_NAME',
          'FILE_EXTENSION', 'NATIVE_PATH', 'FILE_SIZE', 'MD5', 'SHA1', 'SHA256', 'ENTRY_ID',
          'CONTENT_HASH']
problems = []


def problem(text):
    problems.append(text)
    print('FAIL: ' + text)


def digest(path, name):
    h = hashlib.new(name)
    with open(path, 'rb') as f:
        for block in iter(lambda: f.read(1 << 20), b''):
            h.update(block)
    return h.hexdigest()


def export(source, out, *extra):
    run = subprocess.run([program, '-q', '-f', 'msg', '--load-file', 'dat', *extra, source, out],
                         capture_output=True, text=True)
    if run.returncode not in (0, 1):
        raise SystemExit('%s %s failed (%d): %s' % (program, source, run.returncode, run.stderr))
    return run


def read_dat(path):
    with open(path, 'rb') as f:
        if f.read(3) != b'\xef\xbb\xbf':
            problem(path + ': no byte order mark')
    with open(path, encoding='utf-8-sig', newline='') as f:
        rows = list(csv.reader(f, delimiter='\x14', quotechar='\u00fe', strict=True))
    if not rows or rows[0] != FIELDS:
        problem('%s: header %r' % (path, rows[:1]))
        return []
    for row in rows[1:]:
        if len(row) != len(FIELDS):
            problem('%s: a row of %d fields: %r' % (path, len(row), row))
    return [dict(zip(FIELDS, row)) for row in rows[1:] if len(row) == len(FIELDS)]


def manifest(root):
    with open(os.path.join(root, 'export-manifest.tsv'), encoding='utf-8', newline='') as f:
        return list(csv.DictReader(f, delimiter='\t', quoting=csv.QUOTE_NONE))


def check_export(name, out):
    """Checks the load file of the export in `out`; returns its rows."""
    root = os.path.join(out, ROOT)
    rows = read_dat(os.path.join(root, 'export-loadfile.dat'))
    ids = {}
    for r in rows:
        if r['BEGDOC'] in ids:
            problem('%s: the id %s twice' % (name, r['BEGDOC']))
        ids[r['BEGDOC']] = r
        if r['ENDDOC'] != r['BEGDOC']:
            problem('%s: %s ends at %s' % (name, r['BEGDOC'], r['ENDDOC']))
    families = {}
    for r in rows:
        parent = r['PARENT_DOCID']
        if not parent:
            if r['BEGATTACH'] != r['BEGDOC']:
                problem('%s: %s begins its family at %s' % (name, r['BEGDOC'], r['BEGATTACH']))
            continue
        if parent not in ids or ids[parent]['PARENT_DOCID']:
            problem('%s: the parent %s of %s is no message row' % (name, parent, r['BEGDOC']))
            continue
        families.setdefault(parent, []).append(r['BEGDOC'])
        if (r['BEGATTACH'], r['ENDATTACH']) != (parent, ids[parent]['ENDATTACH']):
            problem('%s: %s is out of its family %s' % (name, r['BEGDOC'], parent))
    for parent, members in families.items():
        if ids[parent]['ENDATTACH'] != max(members):
            problem('%s: the family of %s ends at %s, not %s' %
                    (name, parent, ids[parent]['ENDATTACH'], max(members)))
        if int(ids[parent]['ATTACHMENT_COUNT']) < len(members):
            problem('%s: %s has more attachment rows than attachments' % (name, parent))
    listed = {line['file']: line for line in manifest(root)}
    for r in rows:
        native = os.path.join(root, r['NATIVE_PATH'])
        if not os.path.isfile(native):
            problem('%s: %s has no native %s' % (name, r['BEGDOC'], r['NATIVE_PATH']))
            continue
        want = (r['FILE_SIZE'], r['MD5'], r['SHA1'], r['SHA256'])
        have = (str(os.path.getsize(native)), digest(native, 'md5'), digest(native, 'sha1'),
                digest(native, 'sha256'))
        if want != have:
            problem('%s: %s: the row says %r, the file is %r' % (name, r['NATIVE_PATH'], want,
                                                                 have))
        line = listed.get(r['NATIVE_PATH'])
        if not line or (line['sha256'], line['doc_id']) != (r['SHA256'], r['BEGDOC']):
            problem('%s: the manifest lists %s otherwise: %r' % (name, r['NATIVE_PATH'], line))
    if len(listed) != len(rows):
        problem('%s: %d manifest lines, %d rows' % (name, len(listed), len(rows)))
    return rows


def ids_by_item(rows):
    """Each document id by what it is: an item's entry id, or its parent's and its file name."""
    entry = {r['BEGDOC']: r['ENTRY_ID'] for r in rows}
    return {(r['ENTRY_ID'] or entry.get(r['PARENT_DOCID']), r['FILE_NAME'] if
             r['PARENT_DOCID'] else ''): r['BEGDOC'] for r in rows}


def cut_short(out, keep):
    """Leaves the export in `out` as a run stopped after its first `keep` families leaves it."""
    root = os.path.join(out, ROOT)
    dat = os.path.join(root, 'export-loadfile.dat')
    with open(dat, 'rb') as f:
        lines = f.read().split(b'\r\n')
    messages = [i for i, line in enumerate(lines[1:], 1) if line
                and line.split(b'\x14')[4] == b'\xc3\xbe\xc3\xbe']
    if keep >= len(messages):
        return set()
    end = messages[keep]
    gone = {line.split(b'\x14')[0][2:-2].decode() for line in lines[end:] if line}
    with open(dat, 'wb') as f:
        f.write(b'\r\n'.join(lines[:end]) + b'\r\n')
    path = os.path.join(root, 'export-manifest.tsv')
    with open(path, encoding='utf-8', newline='') as f:
        text = f.read().split('\n')
    kept = [text[0]]
    for line in text[1:]:
        fields = line.split('\t')
        if len(fields) > 7 and fields[7] in gone:
            os.unlink(os.path.join(root, fields[3]))
        elif line:
            kept.append(line)
    with open(path, 'w', encoding='utf-8', newline='') as f:
        f.write('\n'.join(kept) + '\n')
    return gone


def same_ids(name, whole, resumed):
    a, b = ids_by_item(whole), ids_by_item(resumed)
    if a != b:
        problem('%s: ids after --resume differ: %r' %
                (name, sorted(set(a.items()) ^ set(b.items()))[:6]))


documents = 0
with tempfile.TemporaryDirectory() as tmp:
    for name in sorted(os.listdir(pst_dir)):
        source = os.path.join(pst_dir, name)
        before = digest(source, 'sha256')
        whole = os.path.join(tmp, name + '.whole')
        export(source, whole)
        rows = check_export(name, whole)
        documents += len(rows)
        # The same export, cut short after its first half and resumed.
        cut = os.path.join(tmp, name + '.cut')
        export(source, cut)
        messages = sum(1 for r in rows if not r['PARENT_DOCID'])
        gone = cut_short(cut, messages // 2)
        export(source, cut, '--resume')
        resumed = check_export(name + ' (resumed)', cut)
        same_ids(name, rows, resumed)
        if digest(source, 'sha256') != before:
            problem('%s: the input changed' % name)
        print('%-60s %4d documents, %3d of them again after --resume' % (name, len(rows),
                                                                       len(gone)))

    # Every kind of run leaves the input as it was, to the byte.
    for name in sorted(os.listdir(pst_dir))[::4]:
        source = os.path.join(pst_dir, name)
        before = digest(source, 'sha256')
        out = os.path.join(tmp, name + '.formats')
        for fmt in ('eml', 'txt', 'vcf', 'rtf', 'html', 'mht', 'mbox', 'maildir', 'ics'):
            subprocess.run([program, '-q', '-f', fmt, '--dedupe', source,
                            os.path.join(out, fmt)], capture_output=True)
        for listing in ('--list', '--items'):
            subprocess.run([program, listing, source], capture_output=True)
        if digest(source, 'sha256') != before:
            problem('%s: the input changed' % name)

    # A run stopped by SIGINT, then resumed: the ids an uninterrupted run gives.
    box = os.path.join(tmp, 'box.pst')
    subprocess.run([mkpst, '--quiet', '--generate', '1500', '--seed', '5', box], check=True)
    before = digest(box, 'sha256')
    whole = os.path.join(tmp, 'box.whole')
    export(box, whole)
    rows = check_export('generated', whole)
    stopped = os.path.join(tmp, 'box.stopped')
    child = subprocess.Popen([program, '-q', '-f', 'msg', '--load-file', 'dat', box, stopped],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    dat = os.path.join(stopped, ROOT, 'export-loadfile.dat')
    for _ in range(2000):
        if os.path.exists(dat) and os.path.getsize(dat) > 20000:
            break
        time.sleep(0.005)
    child.send_signal(signal.SIGINT)
    status = child.wait()
    if status == 0:
        print('the generated export ended before the signal came')
    elif status != 130:
        problem('the stopped export exited %d' % status)
    partial = len(read_dat(dat))
    export(box, stopped, '--resume')
    resumed = check_export('generated (stopped, resumed)', stopped)
    same_ids('generated', rows, resumed)
    if digest(box, 'sha256') != before:
        problem('the generated input changed')
    print('generated: %d documents, %d written before SIGINT' % (len(rows), partial))

print('%d documents of %d samples checked' % (documents, len(os.listdir(pst_dir))))
sys.exit(1 if problems else 0)
