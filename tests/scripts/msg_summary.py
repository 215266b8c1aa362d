#!/usr/bin/python3
"""What an Outlook .msg file holds, as olefile (Debian python3-olefile), a reader that is not
ours, sees it: one line a fact, attached messages indented below their attachment.

    subject <text>
    sender <name> <address>
    recipient <type> <name> <address>
    body <bytes of its UTF-8> <sha256 of its UTF-8>
    attachment <file name> <method>
      data <size> <sha256>                  (by value)
      object <path> <size> <sha256>         (an OLE object: its streams, by path)
      message                               (an attached message, its lines indented)

Text values without their terminating NULs; 8-bit ones in the code page the message names
(its internet code page, else its message code page, else Windows-1252).
"""
import hashlib
import struct
import sys

import olefile

# Internet code pages that name no Windows code page Python knows as cpNNNN.
WINDOWS_PAGE = {20127: 1252, 28591: 1252, 50220: 932, 50221: 932, 50222: 932, 51932: 932,
                50225: 949, 51949: 949, 52936: 936, 51936: 936, 50227: 936, 20866: 1251,
                21866: 1251, 28592: 1250, 28595: 1251, 28597: 1253, 28599: 1254}


def fixed(ole, path, header):
    """The fixed-size values of an object's property stream, by property id."""
    data = ole.openstream(path + ['__properties_version1.0']).read()
    values = {}
    for at in range(header, len(data) - 15, 16):
        tag, = struct.unpack('<I', data[at:at + 4])
        values[tag >> 16] = (tag & 0xFFFF, data[at + 8:at + 16])
    return values


def codec(props, fallback):
    for pid in (0x3FDE, 0x3FFD):
        if pid in props and props[pid][0] == 3:
            cp, = struct.unpack('<i', props[pid][1][:4])
            if cp > 0:
                cp = WINDOWS_PAGE.get(cp, cp)
                return 'utf-8' if cp == 65001 else 'cp%d' % cp
    return fallback


def text(ole, path, pid, encoding):
    for kind, decode in (('001F', 'utf-16-le'), ('001E', encoding)):
        stream = path + ['__substg1.0_%04X%s' % (pid, kind)]
        if ole.exists(stream):
            raw = ole.openstream(stream).read()
            value = raw.decode(decode, errors='replace')
            return value.rstrip('\0')
    return ''


def message(ole, path, header, encoding, indent, out):
    props = fixed(ole, path, header)
    encoding = codec(props, encoding)
    out.append(indent + 'subject ' + text(ole, path, 0x0037, encoding))
    out.append(indent + 'sender %s %s' % (text(ole, path, 0x0C1A, encoding),
                                          text(ole, path, 0x0C1F, encoding)))
    children = sorted(entry[len(path)] for entry in ole.listdir(streams=True, storages=True)
                      if entry[:len(path)] == path and len(entry) > len(path))
    children = sorted(set(children))
    for name in children:
        if name.startswith('__recip_version1.0_#'):
            rp = path + [name]
            row = fixed(ole, rp, 8)
            kind = struct.unpack('<i', row[0x0C15][1][:4])[0] & 0x0F if 0x0C15 in row else 1
            out.append(indent + 'recipient %d %s %s' % (kind, text(ole, rp, 0x3001, encoding),
                                                       text(ole, rp, 0x3003, encoding)))
    body = text(ole, path, 0x1000, encoding).encode('utf-8')
    if body:
        out.append(indent + 'body %d %s' % (len(body), hashlib.sha256(body).hexdigest()))
    for name in children:
        if not name.startswith('__attach_version1.0_#'):
            continue
        ap = path + [name]
        att = fixed(ole, ap, 8)
        att_encoding = codec(att, encoding)
        method = struct.unpack('<i', att[0x3705][1][:4])[0] if 0x3705 in att else 1
        file_name = ''
        for pid in (0x3707, 0x3704, 0x3001):
            file_name = text(ole, ap, pid, att_encoding)
            if file_name:
                break
        out.append(indent + 'attachment %s %d' % (file_name, method))
        if ole.exists(ap + ['__substg1.0_37010102']):
            data = ole.openstream(ap + ['__substg1.0_37010102']).read()
            out.append(indent + '  data %d %s' % (len(data), hashlib.sha256(data).hexdigest()))
        sub = ap + ['__substg1.0_3701000D']
        if ole.exists(sub) and ole.get_type(sub) == olefile.STGTY_STORAGE:
            if ole.exists(sub + ['__properties_version1.0']) and method == 5:
                out.append(indent + '  message')
                message(ole, sub, 24, att_encoding, indent + '    ', out)
            else:
                for entry in sorted(ole.listdir(streams=True, storages=False)):
                    if entry[:len(sub)] == sub:
                        data = ole.openstream(entry).read()
                        out.append(indent + '  object %s %d %s' % (
                            '/'.join(entry[len(sub):]), len(data),
                            hashlib.sha256(data).hexdigest()))


def main(path):
    ole = olefile.OleFileIO(path)
    out = []
    message(ole, [], 32, 'cp1252', '', out)
    for line in out:
        print(line)


if __name__ == '__main__':
    main(sys.argv[1])
