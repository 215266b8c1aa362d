#!/usr/bin/python3
"""Every option `pellmark-export --help` names is in the manual page and in the bash completion,
and they name no option --help does not.

    check_help.py PELLMARK_EXPORT MANPAGE COMPLETION
"""
import re
import subprocess
import sys

program, manpage, completion = sys.argv[1:4]
usage = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout
options = set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", usage))
with open(manpage, encoding="utf-8") as f:
    man = set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", f.read().replace("\\-", "-")))
with open(completion, encoding="utf-8") as f:
    bash = set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", f.read()))
status = 0
for name, found in (("the manual page", man), ("the bash completion", bash)):
    for option in sorted(options - found):
        print(f"{option} is in --help but not in {name}")
        status = 1
    for option in sorted(found - options):
        print(f"{option} is in {name} but not in --help")
        status = 1
print(f"{len(options)} options: {' '.join(sorted(options))}")
sys.exit(status)
