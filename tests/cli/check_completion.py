#!/usr/bin/python3
"""The bash completion of pellmark-export, loaded into a bash without the user's settings and
with extglob off (and on), offers what each case wants.

    check_completion.py COMPLETION PROGRAM

The formats the completion offers are the ones PROGRAM --help lists.
"""
import os
import subprocess
import sys
import tempfile

completion = os.path.abspath(sys.argv[1])
program = os.path.abspath(sys.argv[2])

# The words as bash splits them ("--format=mb" is "--format", "=", "mb"), the last being the
# one completed, and what must be offered: exactly, or at least (a set marked by "...").
CASES = [
    (["--fo"], {"--format", "--folder", "--forensic"}),
    (["--recover", ""], {"deleted"}),
    (["-f", "m"], {"msg", "mht", "mbox", "maildir"}),
    (["--format", "=", "mb"], {"mbox"}),
    (["--format", "="], {"msg", "eml", "txt", "vcf", "rtf", "html", "mht", "mbox", "maildir", "ics",
                         "pdf"}),
    (["-"], ("...", {"-f", "-o", "-l", "-q", "-v", "-h", "-V", "--list", "--quiet"})),
    (["-o", ""], {"sub"}),
    (["--output", "=", "s"], {"sub"}),
    (["--list", ""], {"a.pst", "b.OST", "sub"}),
    (["-ql", ""], {"a.pst", "b.OST", "sub"}),
    (["--items", "--json", "a.pst", ""], {"a.pst", "b.OST", "sub"}),
    (["-fmaildir", ""], {"a.pst", "b.OST", "notes.txt", "sub"}),
    (["-f", "eml", "a.pst", ""], {"a.pst", "b.OST", "notes.txt", "sub"}),
]


def offered(words, extglob):
    quoted = " ".join("'" + w + "'" for w in [program] + words)
    script = (f"shopt {'-s' if extglob else '-u'} extglob; source '{completion}' || exit 3; "
              "complete -p pellmark-export >/dev/null || exit 4; "
              f"COMP_WORDS=({quoted}); COMP_CWORD={len(words)}; _pellmark_export '{program}'; "
              "printf '%s\\n' \"${COMPREPLY[@]}\"")
    run = subprocess.run(["bash", "--norc", "--noprofile", "-c", script], cwd=directory,
                         capture_output=True, text=True)
    if run.returncode != 0 or run.stderr:
        return f"bash failed ({run.returncode}): {run.stderr.strip()}"
    return {line.rstrip("/") for line in run.stdout.splitlines() if line}


status = 0
with tempfile.TemporaryDirectory() as directory:
    for name in ("a.pst", "b.OST", "notes.txt"):
        open(os.path.join(directory, name), "w").close()
    os.mkdir(os.path.join(directory, "sub"))
    for words, wanted in CASES:
        for extglob in (False, True):
            got = offered(words, extglob)
            ok = isinstance(got, set) and (
                got >= wanted[1] if isinstance(wanted, tuple) else got == wanted)
            if not ok:
                print(f"extglob {'on' if extglob else 'off'}: pellmark-export {' '.join(words)}"
                      f"<TAB> offered {got}, wanted {wanted}")
                status = 1
print(f"{len(CASES)} cases, with extglob off and on: {'ok' if status == 0 else 'FAILED'}")
sys.exit(status)
