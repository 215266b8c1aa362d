#!/usr/bin/python3
"""Every option `pellmark-export --help` names, long and short, is in the manual page, in the
options the bash completion offers and in the command-line section of the help page, and they
name no option --help does not; a short option stands for the same long one in --help and in
the manual page; every output format --help lists (from the table of formats) is in the manual
page. The completion offers the formats --help lists, read from it.

    check_help.py PELLMARK_EXPORT MANPAGE COMPLETION HELP_HTML
"""
import re
import subprocess
import sys

LONG = r"(?<![\w-])--[a-z][a-z-]*"
SHORT = r"(?<![\w-])-[a-zA-Z](?![\w-])"
PAIR = r"(?<![\w-])(-[a-zA-Z]), (--[a-z][a-z-]*)"

program, manpage, completion, helppage = sys.argv[1:5]
usage = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout
with open(manpage, encoding="utf-8") as f:
    # The man page's dashes and font changes, as the reader sees them.
    man = re.sub(r"\\f[BIRP]", "", f.read().replace("\\-", "-"))
with open(completion, encoding="utf-8") as f:
    offered = re.search(r'local options="([^"]*)"', f.read())
bash = offered.group(1) if offered else ""
with open(helppage, encoding="utf-8") as f:
    # From the section's heading to the next one; the rest of the page is about the window.
    section = re.search(r'<h2><a name="cli"></a>.*?(?=<h2>)', f.read(), re.S)
page = section.group(0) if section else ""

status = 0


def compare(found, wanted, where):
    global status
    for option in sorted(wanted - found):
        print(f"{option} is in --help but not in {where}")
        status = 1
    for option in sorted(found - wanted):
        print(f"{option} is in {where} but not in --help")
        status = 1


for pattern in (LONG, SHORT):
    options = set(re.findall(pattern, usage))
    compare(set(re.findall(pattern, man)), options, "the manual page")
    compare(set(re.findall(pattern, bash)), options, "the bash completion")
    compare(set(re.findall(pattern, page)), options, "the help page's command-line section")
# Every output format --help lists (below "FORMAT is one of:") is named in the manual page.
listed = re.search(r"FORMAT is one of:\n((?: {6}[a-z]+ .*\n)+)", usage)
formats = re.findall(r"^ {6}([a-z]+) ", listed.group(1), re.M) if listed else []
if not formats:
    print("--help lists no formats below \"FORMAT is one of:\"")
    status = 1
for name in formats:
    if not re.search(r"(?<![\w-])" + name + r"(?![\w-])", man):
        print(f"the format {name} is in --help but not in the manual page")
        status = 1
print(f"formats: {' '.join(formats)}")
pairs = set(re.findall(PAIR, usage))
for short, long in sorted(set(re.findall(PAIR, man)) ^ pairs):
    print(f"{short} stands for {long} in only one of --help and the manual page")
    status = 1
print(f"options: {' '.join(sorted(set(re.findall(LONG, usage)) | set(re.findall(SHORT, usage))))}")
print(f"short for long: {' '.join(s + '=' + l for s, l in sorted(pairs))}")
sys.exit(status)
