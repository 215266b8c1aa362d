#!/usr/bin/python3
"""Lists a compound file as olefile (Debian python3-olefile), a reader that is not ours, sees
it, one entry a line, sorted:

    storage <path> <class id in hex, or ->
    stream <path> <size> <sha256 of the bytes>

Paths join the names from the root with '/'; the root storage is '/'.
"""
import hashlib
import sys

import olefile


def main(path):
    ole = olefile.OleFileIO(path)
    lines = ['storage / ' + (ole.root.clsid.replace('-', '').lower() or '-')]
    for parts in ole.listdir(streams=True, storages=True):
        name = '/' + '/'.join(parts)
        if ole.get_type(parts) == olefile.STGTY_STORAGE:
            clsid = ole.getclsid(parts).replace('-', '').lower()
            lines.append('storage %s %s' % (name, clsid or '-'))
        else:
            data = ole.openstream(parts).read()
            lines.append('stream %s %d %s' % (name, len(data), hashlib.sha256(data).hexdigest()))
    for line in sorted(lines):
        print(line)


if __name__ == '__main__':
    main(sys.argv[1])
