#!/usr/bin/python3
"""Every item of a few sample mailboxes, exported as PDF, read back by the PDF tools of the
field, and held to the .txt and .html exports of the same items (paired by the manifests' entry
ids): qpdf --check passes; pdftotext holds the subject, the sender and every word of the body as
the .txt export writes it; pdffonts shows every font embedded; pdfimages finds as many images
as the .html page shows inline; pdfdetach names every attachment and gives back the bytes the
.html export writes beside its page (an attached message comes as an .eml that Python's email
package reads). With --pdf-archive pikepdf reads the PDF/A-3 part and conformance, one output
intent and each file's AFRelationship. Exits 1 on any fault, 77 (skipped) without the samples.

    check_pdf.py PELLMARK_EXPORT SAMPLES_DIR
"""
import collections
import csv
import email
import hashlib
import os
import re
import subprocess
import sys
import tempfile

program, samples = sys.argv[1:3]
SAMPLES = ['msg/hhtmsgreader__attachAndInline.msg', 'msg/hhtmsgreader__Hello_CJK.msg',
           'msg/hhtmsgreader__msgInMsg.msg', 'msg/hhtmsgreader__htmlLink.msg',
           'msg/hhtmsgreader__attachmentFiles.msg', 'msg/hhtmsgreader__unicode1.msg',
           'msg/tika__testMSG_att_doc.msg', 'pst/hht__threeItems.pst',
           'pst/rubymsg__attachAndInline.pst', 'pst/tika__testPST.pst',
           'pst/npm-pst-extractor__enron.pst']
if not os.path.isdir(os.path.join(samples, 'msg')):
    print('skipped: %s is missing' % samples)
    sys.exit(77)
for tool in ('qpdf', 'pdftotext', 'pdfdetach', 'pdffonts', 'pdfimages'):
    if subprocess.run(['which', tool], capture_output=True).returncode != 0:
        print('skipped: %s is not installed (scripts/install-deps.sh test)' % tool)
        sys.exit(77)

ROOT = 'Converted Outlook PST'
faults = []


def run(*args):
    return subprocess.run(list(args), capture_output=True, text=True)


def export(fmt, source, out, *options):
    done = run(program, '-q', '-f', fmt, *options, source, out)
    if done.returncode not in (0, 1):
        raise SystemExit('%s -f %s %s failed (%d): %s' % (program, fmt, source,
                                                          done.returncode, done.stderr))
    return os.path.join(out, ROOT)


def manifest(root):
    """entry id -> the files written for it, in order, as (path, sha256)."""
    files = {}
    with open(os.path.join(root, 'export-manifest.tsv'), encoding='utf-8', newline='') as f:
        for row in csv.DictReader(f, delimiter='\t', quoting=csv.QUOTE_NONE):
            files.setdefault(row['entry_id'], []).append(
                (os.path.join(root, row['file']), row['sha256'], row['subject']))
    return files


def squashed(text):
    # pdftotext joins a word broken at a hyphen at the end of a line and drops the hyphen.
    return re.sub(r'[\s-]+', '', text)


def txt_parts(path):
    """The From line's value and the body's words of a .txt export."""
    text = open(path, encoding='utf-8').read()
    head, _, body = text.partition('\n\n')
    sender = ''
    for line in head.splitlines():
        if line.startswith('From:'):
            sender = line[5:].strip()
    # Links the text conversion writes as <URL> are links in the page, not text.
    body = re.sub(r'<[^>\s]*>', ' ', body)
    return sender, re.findall(r'\w{2,}', body)


def check_item(name, pdf, txt, html_files, archive):
    check = run('qpdf', '--check', pdf)
    if check.returncode != 0:
        faults.append('%s: qpdf --check: %s' % (name, check.stdout + check.stderr))
    text = squashed(run('pdftotext', pdf, '-').stdout)
    sender, words = txt_parts(txt)
    counts['words'] += len(words)
    for what in [squashed(subject_of[pdf]), squashed(sender)] + words:
        if what and what not in text:
            faults.append('%s: pdftotext lacks %r' % (name, what))
    fonts = run('pdffonts', pdf).stdout.splitlines()[2:]
    for line in fonts:
        if line.split()[-5] != 'yes':
            faults.append('%s: a font not embedded: %s' % (name, line))
    page = [p for p, _, _ in html_files if p.endswith('.html')][0]
    inline = open(page, encoding='utf-8').read().count('src="data:image/')
    images = len(run('pdfimages', '-list', pdf).stdout.splitlines()[2:])
    if images < inline:
        faults.append('%s: %d images in the PDF, %d in the page' % (name, images, inline))
    beside = collections.Counter(sha for p, sha, _ in html_files if not p.endswith('.html'))
    with tempfile.TemporaryDirectory() as out:
        run('pdfdetach', '-saveall', '-o', out, pdf)
        detached = os.listdir(out)
        counts['files'] += len(detached)
        if len(detached) != sum(beside.values()):
            faults.append('%s: %d files in the PDF, %d beside the page' % (name, len(detached),
                                                                          sum(beside.values())))
        for f in detached:
            data = open(os.path.join(out, f), 'rb').read()
            if f.endswith('.eml') and hashlib.sha256(data).hexdigest() not in beside:
                if email.message_from_bytes(data)['Subject'] is None:
                    faults.append('%s: %s is no message' % (name, f))
            elif hashlib.sha256(data).hexdigest() not in beside:
                faults.append('%s: %s differs from the file beside the page' % (name, f))
    if archive:
        check_archive(name, pdf, sum(beside.values()))


def check_archive(name, pdf, files):
    script = ('import pikepdf, sys\n'
              'p = pikepdf.open(sys.argv[1])\n'
              'm = p.open_metadata()\n'
              'print(m.get("pdfaid:part"), m.get("pdfaid:conformance"), len(p.Root.OutputIntents),'
              ' sorted({str(a.obj.get("/AFRelationship")) for a in p.attachments.values()}),'
              ' len(p.Root.get("/AF", [])))\n')
    done = run('/usr/bin/python3', '-c', script, pdf)
    want = '3 B 1 %s %d' % ("['/Data']" if files else '[]', files)
    if done.stdout.strip() != want:
        faults.append('%s: PDF/A reads %r, not %r %s' % (name, done.stdout.strip(), want,
                                                         done.stderr[-300:]))


subject_of = {}
counts = {'words': 0, 'files': 0}
items = 0
with tempfile.TemporaryDirectory() as work:
    for n, sample in enumerate(SAMPLES):
        source = os.path.join(samples, sample)
        if not os.path.exists(source):
            faults.append('%s is missing' % source)
            continue
        txt = manifest(export('txt', source, os.path.join(work, 'txt%d' % n)))
        html = manifest(export('html', source, os.path.join(work, 'html%d' % n)))
        archive = n % 2 == 1  # every other mailbox as PDF/A-3b
        pdf = manifest(export('pdf', source, os.path.join(work, 'pdf%d' % n),
                              *(['--pdf-archive'] if archive else [])))
        for entry, written in pdf.items():
            if entry not in txt or entry not in html:
                continue  # an item the .txt or .html export passes over (a contact as .vcf)
            path, _, subject = written[0]
            subject_of[path] = subject
            check_item('%s: %s' % (sample, subject), path, txt[entry][0][0], html[entry], archive)
            items += 1
for fault in faults:
    print(fault)
print('%d items (%d words, %d attachments), %d faults' % (items, counts['words'],
                                                        counts['files'], len(faults)))
sys.exit(1 if faults or items == 0 else 0)
