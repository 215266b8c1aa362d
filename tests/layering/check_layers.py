#!/usr/bin/python3
"""Every include in src/ points down the layers, never up or sideways:

    base -> mapi -> pst (io -> ndb -> ltp -> messaging)
    base -> store
    base -> cfb                         (compound files: reader and writer)
    mapi, cfb -> msgfile                (the .msg reader)
    mapi, store, cfb -> formats
    pst, formats -> pststore            (the reader, plugged into the store)
    msgfile, formats -> msgstore        (the .msg reader, plugged into the store)
    formats, store -> export
    export, pststore, msgstore -> cli;  export -> gui;  gui, pststore -> app

A file of a layer may include headers of its own layer and of the layers it builds on; the
writers (formats) never see a reader (pst, pststore), and only cli and app plug a reader in;
cli and gui do not include each other; only gui and app include Qt. Within pst, each
sub-layer includes only its own and those below it. Prints each include that breaks this and
exits 1 when there is one.

    check_layers.py SRC_DIR
"""
import os
import re
import sys

# The layers each layer builds on, besides itself (and what those build on, listed whole).
BUILDS_ON = {
    'base': set(),
    'cfb': {'base'},
    'mapi': {'base'},
    'pst': {'base', 'mapi'},
    'msgfile': {'base', 'mapi', 'cfb'},
    'store': {'base'},
    'formats': {'base', 'cfb', 'mapi', 'store'},
    'pdfengine': {'base', 'cfb', 'mapi', 'store', 'formats'},
    'pststore': {'base', 'cfb', 'mapi', 'pst', 'store', 'formats'},
    'msgstore': {'base', 'cfb', 'mapi', 'msgfile', 'store', 'formats'},
    'export': {'base', 'cfb', 'mapi', 'store', 'formats'},
    'cli': {'base', 'cfb', 'mapi', 'store', 'formats', 'pst', 'pststore', 'msgfile', 'msgstore',
            'export', 'pdfengine'},
    'gui': {'base', 'cfb', 'mapi', 'store', 'formats', 'export'},
    'app': {'base', 'cfb', 'mapi', 'store', 'formats', 'pst', 'pststore', 'export', 'gui'},
}
PST_ORDER = ['io', 'ndb', 'ltp', 'messaging']
QT_ALLOWED = {'gui', 'app', 'pdfengine'}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def problem_of(layer, sublayer, target):
    """Why `layer` (and, in pst, `sublayer`) may not include `target`, or None."""
    parts = target.split('/')
    top = parts[0]
    if top not in BUILDS_ON or top == layer and layer != 'pst':
        return None
    if top != layer:
        return None if top in BUILDS_ON[layer] else '%s may not include %s' % (layer, top)
    # Within pst: a sub-layer sees itself and those below it.
    if len(parts) < 3 or parts[1] not in PST_ORDER or sublayer not in PST_ORDER:
        return None
    if PST_ORDER.index(parts[1]) > PST_ORDER.index(sublayer):
        return 'pst/%s may not include pst/%s' % (sublayer, parts[1])
    return None


def main(src):
    problems = []
    for layer in BUILDS_ON:
        for root, _, files in os.walk(os.path.join(src, layer)):
            rel = os.path.relpath(root, os.path.join(src, layer)).split(os.sep)
            sublayer = rel[0] if rel[0] != '.' else ''
            for name in files:
                if not name.endswith(('.h', '.cpp')):
                    continue
                path = os.path.join(root, name)
                for number, line in enumerate(open(path, encoding='utf-8'), 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = m.group(2)
                    where = '%s:%d: %s' % (os.path.relpath(path, src), number, line.strip())
                    if m.group(1) == '"':
                        why = problem_of(layer, sublayer, target)
                        if why:
                            problems.append('%s (%s)' % (where, why))
                    if m.group(1) == '<' and target.startswith('Q') and layer not in QT_ALLOWED:
                        problems.append('%s (Qt outside gui and app)' % where)
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
