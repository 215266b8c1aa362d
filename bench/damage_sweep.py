#!/usr/bin/python3
"""Damaged copies of real mailboxes, exported by pellmark-export and by pffexport -m all.

For each sample: copies cut short every STEP bytes, and copies with single bytes changed at
random (seeded) places that hold data. For every copy it records pellmark-export's exit status
and items written, and checks the one rule that matters: an export that exits 0 has written
every item the whole file gives. pffexport (pff-tools) exports the same copy with its
recovery on (-m all: allocated, orphan and recovered items); the items it writes are counted.

  bench/damage_sweep.py [--step BYTES] [--flips N] [--seed S] [--no-peer] SAMPLE.pst...

Prints one line per sample and a total; exits 1 when the rule was broken.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
# pffexport names each item's directory by its kind and number; folders it recovers are no items.
ITEM_DIR = re.compile(r'^(?!Folder)[A-Z][A-Za-z]+\d{5}$')


def export_tool():
    for build in ('build', 'build-test'):
        path = os.path.join(HERE, '..', build, 'src', 'cli', 'pellmark-export')
        if os.path.exists(path):
            return os.path.abspath(path)
    sys.exit('pellmark-export is not built (cmake --build build)')


def ours(tool, pst, work):
    out = os.path.join(work, 'ours')
    shutil.rmtree(out, ignore_errors=True)
    r = subprocess.run([tool, '--format', 'txt', pst, out], capture_output=True, text=True,
                       timeout=600)
    m = re.search(r'^(\d+) items written, (\d+) failed, (\d+) skipped', r.stdout, re.M)
    written, failed, skipped = (int(x) for x in m.groups()) if m else (0, 0, 0)
    rec = re.search(r'^(\d+) of them no folder listed', r.stdout, re.M)
    return r.returncode, written + skipped, failed, int(rec.group(1)) if rec else 0


def peer(pst, work):
    """Items pffexport -m all writes, outside any attachment's directory: those of the folder
    tree and the orphans (allocated items whose folder is gone), and apart from them the
    deleted items it recovers from unallocated space, which pellmark does not look for."""
    target = os.path.join(work, 'pff')
    for suffix in ('.export', '.orphans', '.recovered'):
        shutil.rmtree(target + suffix, ignore_errors=True)
    try:
        subprocess.run(['pffexport', '-q', '-m', 'all', '-f', 'text', '-t', target, pst],
                       capture_output=True, timeout=600)
    except subprocess.TimeoutExpired:
        return -1, -1
    counts = []
    for suffixes in (('.export', '.orphans'), ('.recovered',)):
        items = 0
        for suffix in suffixes:
            for root, dirs, _ in os.walk(target + suffix):
                if os.sep + 'Attachments' in root:
                    continue
                items += sum(1 for d in dirs if ITEM_DIR.match(d))
        counts.append(items)
    return counts


def variants(data, step, flips, rnd):
    for cut in range(step, len(data), step):
        yield 'cut-%d' % cut, data[:cut]
    for _ in range(flips):
        at = rnd.randrange(len(data))
        for _ in range(100):
            if data[at] != 0:
                break
            at = rnd.randrange(len(data))
        changed = bytearray(data)
        changed[at] ^= 1 << rnd.randrange(8)
        yield 'flip-%d' % at, bytes(changed)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--step', type=int, default=65536)
    ap.add_argument('--flips', type=int, default=50)
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--no-peer', action='store_true')
    ap.add_argument('samples', nargs='+')
    a = ap.parse_args()
    tool = export_tool()
    broken = 0
    totals = [0, 0, 0, 0, 0]
    print('sample\tcopies\texit0\texit1\texit2\tbroken\tours_items\tpeer_items\tpeer_deleted')
    with tempfile.TemporaryDirectory() as work:
        for sample in a.samples:
            data = open(sample, 'rb').read()
            _, whole, _, _ = ours(tool, sample, work)
            rnd = random.Random(a.seed)
            exits = {0: 0, 1: 0, 2: 0}
            ours_items = peer_items = peer_deleted = copies = bad = 0
            for name, bytes_ in variants(data, a.step, a.flips, rnd):
                copy = os.path.join(work, 'copy.pst')
                with open(copy, 'wb') as f:
                    f.write(bytes_)
                status, items, failed, recovered = ours(tool, copy, work)
                copies += 1
                exits[status] = exits.get(status, 0) + 1
                ours_items += items
                if status == 0 and items != whole:
                    bad += 1
                    print('  broken: %s %s exit 0 with %d of %d items' %
                          (os.path.basename(sample), name, items, whole), file=sys.stderr)
                if not a.no_peer:
                    live, deleted = peer(copy, work)
                    peer_items += live
                    peer_deleted += deleted
            broken += bad
            print('%s\t%d\t%d\t%d\t%d\t%d\t%d\t%s\t%s' % (
                os.path.basename(sample), copies, exits.get(0, 0), exits.get(1, 0),
                exits.get(2, 0), bad, ours_items, '-' if a.no_peer else peer_items,
                '-' if a.no_peer else peer_deleted))
            for i, v in enumerate((copies, bad, ours_items, peer_items, peer_deleted)):
                totals[i] += v
    print('total\t%d\t\t\t\t%d\t%d\t%s\t%s' % (
        totals[0], totals[1], totals[2], '-' if a.no_peer else totals[3],
        '-' if a.no_peer else totals[4]))
    return 1 if broken else 0


if __name__ == '__main__':
    sys.exit(main())
