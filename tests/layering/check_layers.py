#!/usr/bin/python3
"""Every include in src/ points down the layers, never up or sideways:

    base -> mapi -> pst -> store -> formats -> pststore -> export -> {cli, gui} -> app

A file of a layer may include headers of its own layer and of the layers below it; cli and
gui do not include each other; only gui and app include Qt. Prints each backward include
and exits 1 when there is one.

    check_layers.py SRC_DIR
"""
import os
import re
import sys

ORDER = ['base', 'mapi', 'pst', 'store', 'formats', 'pststore', 'export', 'cli', 'gui', 'app']
# The layers each layer may include, besides its own.
BELOW = {layer: set(ORDER[:i]) for i, layer in enumerate(ORDER)}
BELOW['gui'].discard('cli')  # siblings: neither sees the other
QT_ALLOWED = {'gui', 'app'}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def main(src):
    problems = []
    for layer in ORDER:
        for root, _, files in os.walk(os.path.join(src, layer)):
            for name in files:
                if not name.endswith(('.h', '.cpp')):
                    continue
                path = os.path.join(root, name)
                for number, line in enumerate(open(path, encoding='utf-8'), 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = m.group(2)
                    top = target.split('/')[0]
                    where = '%s:%d: %s' % (os.path.relpath(path, src), number, line.strip())
                    if m.group(1) == '"' and top in ORDER and top != layer and top not in BELOW[layer]:
                        problems.append('%s (%s may not include %s)' % (where, layer, top))
                    if m.group(1) == '<' and target.startswith('Q') and layer not in QT_ALLOWED:
                        problems.append('%s (Qt outside gui and app)' % where)
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
