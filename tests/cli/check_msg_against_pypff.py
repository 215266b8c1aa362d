#!/usr/bin/env python3
"""Every property pypff (Debian python3-pypff, libyal's reader) lists for a message of a .pst
or .ost and for its attachments, against the .msg pellmark-export --forensic -f msg wrote for
it, read with olefile: each must be there with the same type and value. Named properties are
matched by their names (property set and LID or string) through the file's name-to-id map and
the .msg's name table. Items are matched by the node id that ends their manifest entry id.

usage: check_msg_against_pypff.py PELLMARK_EXPORT SAMPLES_DIR
Prints a line per difference and one per sample; exit status 0 when the .msg files hold every
property, 1 otherwise, 77 (skipped) when pypff, olefile or the samples are missing.
"""

import collections
import os
import struct
import subprocess
import sys
import tempfile
import uuid

try:
    import olefile
    import pypff
except ImportError as missing:
    print("%s is not installed (python3-olefile, python3-pypff): skipped" % missing.name)
    sys.exit(77)

# Values a .msg file does not take over from the .pst by design; the summary counts them.
PST_INTERNAL = lambda pid: 0x6700 <= pid <= 0x6706 or pid in (0x6770, 0x6771) or \
    0x67F0 <= pid <= 0x67FF
OBJECT = 0x000D
MULTI = 0x1000
FIXED = {0x0002: 2, 0x0003: 4, 0x0004: 4, 0x0005: 8, 0x0006: 8, 0x0007: 8, 0x000A: 4,
         0x000B: 2, 0x0014: 8, 0x0040: 8, 0x0048: 16}
PS_MAPI = uuid.UUID("00020328-0000-0000-c000-000000000046")
PS_PUBLIC_STRINGS = uuid.UUID("00020329-0000-0000-c000-000000000046")


def name_table(guids, entries, strings):
    """Local id (0x8000 on) to (set, LID or name), from the three streams both formats share."""
    table = {}
    for i in range(0, len(entries) - 7, 8):
        value, kind_guid, index = struct.unpack_from("<IHH", entries, i)
        g = kind_guid >> 1
        if g == 1:
            guid = PS_MAPI
        elif g == 2:
            guid = PS_PUBLIC_STRINGS
        else:
            at = (g - 3) * 16
            guid = uuid.UUID(bytes_le=bytes(guids[at:at + 16])) if at + 16 <= len(guids) else None
        if kind_guid & 1:
            (size,) = struct.unpack_from("<I", strings, value)
            name = bytes(strings[value + 4:value + 4 + size]).decode("utf-16-le", "replace")
        else:
            name = value
        table[0x8000 + index] = (guid, name)
    return table


def pst_names(pff):
    streams = {}
    try:
        for e in pff.name_to_id_map.get_record_set(0).entries:
            streams[e.entry_type] = e.data or b""
    except (IOError, OSError):
        return {}
    return name_table(streams.get(2, b""), streams.get(3, b""), streams.get(4, b""))


def msg_names(ole):
    def read(stream):
        path = "__nameid_version1.0/" + stream
        return ole.openstream(path).read() if ole.exists(path) else b""
    return name_table(read("__substg1.0_00020102"), read("__substg1.0_00030102"),
                      read("__substg1.0_00040102"))


def key(pid, names):
    if pid < 0x8000:
        return pid
    return names.get(pid, ("unnamed", pid))


def strip_string(data, ptype):
    data = bytes(data or b"")
    if ptype == 0x001F:
        while len(data) >= 2 and data[-2:] == b"\0\0":
            data = data[:-2]
    elif ptype == 0x001E:
        data = data.rstrip(b"\0")
    return data


def pst_multi(data, ptype):
    """A multi-valued variable-size value of the .pst: a count, offsets, then the values."""
    data = bytes(data or b"")
    if len(data) < 4:
        return []
    (count,) = struct.unpack_from("<I", data)
    offsets = list(struct.unpack_from("<%dI" % count, data, 4)) + [len(data)]
    return [strip_string(data[offsets[i]:offsets[i + 1]], ptype & ~MULTI)
            for i in range(count)]


def msg_properties(ole, storage, header):
    """(id, type) to the value's bytes, for one object of the .msg."""
    out = {}
    raw = ole.openstream(storage + "__properties_version1.0").read()
    for at in range(header, len(raw) - 15, 16):
        tag, _flags = struct.unpack_from("<II", raw, at)
        pid, ptype = tag >> 16, tag & 0xFFFF
        stream = storage + "__substg1.0_%08X" % tag
        if ptype & MULTI and (ptype & ~MULTI) in (0x001E, 0x001F, 0x0102, 0x0048):
            values, i = [], 0
            while ole.exists(stream + "-%08X" % i):
                values.append(strip_string(ole.openstream(stream + "-%08X" % i).read(),
                                           ptype & ~MULTI))
                i += 1
            out[(pid, ptype)] = values
        elif ptype in FIXED and FIXED[ptype] <= 8 and not ptype & MULTI:
            out[(pid, ptype)] = raw[at + 8:at + 8 + FIXED[ptype]]
        elif ole.exists(stream) and ole.get_type(stream) == olefile.STGTY_STREAM:
            out[(pid, ptype)] = strip_string(ole.openstream(stream).read(), ptype)
        else:
            out[(pid, ptype)] = None  # an object: a storage
    return out


class Report:
    def __init__(self):
        self.compared = 0
        self.differences = []
        self.left_out = collections.Counter()

    def check(self, where, entries, ours, pst_table, msg_table):
        mine = {}
        for (pid, ptype), value in ours.items():
            mine.setdefault(key(pid, msg_table), []).append((ptype, value))
        for e in entries:
            pid, ptype = e.entry_type, e.value_type
            if PST_INTERNAL(pid):
                self.left_out["the .pst's own bookkeeping (0x67xx)"] += 1
                continue
            k = key(pid, pst_table)
            if isinstance(k, tuple) and k[0] == "unnamed":
                self.left_out["named properties the file's map does not name"] += 1
                continue
            self.compared += 1
            found = mine.get(k)
            if not found:
                self.differences.append("%s: 0x%04X (%s) type 0x%04X missing" % (where, pid, k, ptype))
                continue
            types = [t for t, _ in found]
            if ptype not in types:
                self.differences.append("%s: 0x%04X (%s) type 0x%04X written as %s" % (
                    where, pid, k, ptype, ", ".join("0x%04X" % t for t in types)))
                continue
            value = dict(found)[ptype]
            if ptype == OBJECT:
                continue  # a storage of its own: compared as the attachment it holds
            if ptype & MULTI and (ptype & ~MULTI) in (0x001E, 0x001F, 0x0102, 0x0048):
                expected = pst_multi(e.data, ptype)
            elif ptype in (0x001E, 0x001F):
                expected = strip_string(e.data, ptype)
                # The .pst keeps a subject's prefix marker (U+0001 and its length); the .msg
                # holds the subject as Outlook shows it.
                marker = "\x01".encode("utf-16-le" if ptype == 0x001F else "latin-1")
                if pid == 0x0037 and expected.startswith(marker):
                    expected = expected[2 * len(marker):]
            elif ptype == 0x000B:
                # A boolean is one byte in the .pst and two in the .msg: its truth is its value.
                expected, value = any(e.data or b""), any(value or b"")
            elif ptype in FIXED:
                expected = bytes(e.data or b"").ljust(FIXED[ptype], b"\0")
            else:
                expected = bytes(e.data or b"")
            if value != expected:
                self.differences.append("%s: 0x%04X (%s) type 0x%04X differs: %r != %r" % (
                    where, pid, k, ptype, value[:40] if isinstance(value, (bytes, list))
                    else value, expected[:40] if isinstance(expected, (bytes, list))
                    else expected))


def manifest_files(root):
    files = {}
    with open(os.path.join(root, "export-manifest.tsv"), encoding="utf-8") as f:
        header = f.readline().rstrip("\n").split("\t")
        for line in f:
            fields = line.rstrip("\n").split("\t")
            row = dict(zip(header, fields))
            if row.get("recovered") or not row["file"].endswith(".msg"):
                continue
            nid = struct.unpack("<I", bytes.fromhex(row["entry_id"][-8:]))[0]
            files[nid] = os.path.join(root, row["file"].replace("\\\\", "\\"))
    return files


def messages(folder):
    for i in range(folder.number_of_sub_messages):
        try:
            yield folder.get_sub_message(i)
        except (IOError, OSError):
            continue
    for i in range(folder.number_of_sub_folders):
        try:
            sub = folder.get_sub_folder(i)
        except (IOError, OSError):
            continue
        yield from messages(sub)


def compare(mailbox, root):
    pff = pypff.file()
    pff.open(mailbox)
    pst_table = pst_names(pff)
    files = manifest_files(root)
    report = Report()
    items = not_written = 0
    for m in messages(pff.root_folder):
        path = files.get(m.identifier)
        if path is None:
            not_written += 1
            continue
        items += 1
        ole = olefile.OleFileIO(path)
        msg_table = msg_names(ole)
        where = os.path.basename(path)
        try:
            entries = list(m.get_record_set(0).entries)
        except (IOError, OSError):
            continue
        report.check(where, entries, msg_properties(ole, "", 32), pst_table, msg_table)
        for a in range(m.number_of_attachments):
            try:
                att = m.get_attachment(a)
                entries = list(att.get_record_set(0).entries)
            except (IOError, OSError):
                continue
            storage = "__attach_version1.0_#%08X/" % a
            if not ole.exists(storage + "__properties_version1.0"):
                report.differences.append("%s: attachment %d missing" % (where, a))
                continue
            report.check("%s attachment %d" % (where, a), entries,
                         msg_properties(ole, storage, 8), pst_table, msg_table)
        ole.close()
    return report, items, not_written


def main():
    program, samples = sys.argv[1], os.path.join(sys.argv[2], "pst")
    if not os.path.isdir(samples):
        print("no samples at " + samples + ": skipped")
        return 77
    failed = False
    for name in sorted(os.listdir(samples)):
        if not name.lower().endswith((".pst", ".ost")):
            continue
        sample = os.path.join(samples, name)
        with tempfile.TemporaryDirectory() as scratch:
            subprocess.run([program, "-f", "msg", "-q", "--forensic", sample, scratch],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
            report, items, not_written = compare(
                sample, os.path.join(scratch, "Converted Outlook PST"))
        for d in report.differences:
            print("  " + d)
        failed = failed or bool(report.differences)
        left = "; ".join("%s: %d" % kv for kv in sorted(report.left_out.items()))
        print("%s: %d items (%d more in folders not exported), %d properties, %d differences%s" % (
            name, items, not_written, report.compared, len(report.differences),
            "; left out: " + left if left else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
