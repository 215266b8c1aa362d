"""The export at scale: generated mailboxes from the usual 20,000 items up to 3,000,000 items
and 50 GB, one row each, measured one after another (export_bench.py --scale NAMES).

Rows, chosen by name, each optionally resized with NAME:SIZE (a count such as 100k, or for
ost50g a size in bytes such as 2g, decimal) to try the harness on a small machine; a bare
count N is the usual mailbox of N items:
  20k         the usual generated mailbox of 20,000 items: the reference for CPU per item
  small20k    20,000 small items: the reference for CPU per item of the rows of small items
  330k        330,000 items of the same mix (about 5 GB)
  3m          3,000,000 small items (short plain mail, no attachments) in the usual folders
  folder500k  500,000 small items, all in the Inbox: one folder of 500,000 items
  att2g       1,000 small items and one message with one attachment of 2 GiB
  ost50g      a 50 GB .ost in the 4 KiB-page format, of the usual mix, grown until that size

Per row: file size, generation time, the time until `pellmark-export --list FILE` has printed,
the folder tree's fill in the window (tree-fill-bench --file-only), and an export's wall time,
CPU time (user + system, from wait4's rusage), CPU per item and peak resident memory (from GNU
time's report on its own child). Each
mailbox and its export go to a directory below --disk (default /var/tmp) and are deleted before
the next row. The ost50g row cannot write a .eml export beside a 50 GB file on a 69 GB disk,
nor even a .txt of every item: 5.8 million small files take a 4 KiB block each, 23 GB (the
first full run filled the disk). Its export is .txt of the messages of one year
(--since 2024-01-01, about a tenth of the mail): every item is read, a tenth written; the other
rows export .eml of every item.
"""

import os
import re
import subprocess
import sys
import tempfile
import time

ROWS = {
    # name: (default size, mkpst options, export format)
    "20k": ("20000", [], "eml"),
    "small20k": ("20000", ["--small"], "eml"),
    "330k": ("330000", [], "eml"),
    "3m": ("3000000", ["--small"], "eml"),
    "folder500k": ("500000", ["--small", "--one-folder"], "eml"),
    "att2g": ("1000", ["--small", "--big-attachment", "2G"], "eml"),
    "ost50g": ("50g", ["--ost"], "txt"),
}


def count(text):
    """100k, 3m, 2g: a number with an optional decimal suffix (k, m, g, t)."""
    m = re.fullmatch(r"(\d+)([kKmMgGtT]?)", text)
    if not m:
        sys.exit(f"not a size: {text}")
    n, suffix = int(m.group(1)), m.group(2).lower()
    return n * {"": 1, "k": 1000, "m": 1000000, "g": 10**9, "t": 10**12}[suffix]


def run_rusage(command, env=None, stdout=subprocess.DEVNULL):
    """Runs `command`; returns (wall s, cpu s, peak MB, its standard output or None, its errors),
    the CPU time from the child's rusage and the peak from GNU time's report of its own child:
    Linux keeps a process's peak across exec, so a child forked from this script would start at
    the script's size."""
    with tempfile.NamedTemporaryFile(prefix="pellmark-peak-") as peak_file:
        start = time.monotonic()
        proc = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", peak_file.name, *command],
                                stdout=stdout, stderr=subprocess.PIPE, env=env)
        out = proc.stdout.read() if stdout == subprocess.PIPE else None
        err = proc.stderr.read()
        _, status, usage = os.wait4(proc.pid, 0)
        wall = time.monotonic() - start
        proc.returncode = os.waitstatus_to_exitcode(status)
        if proc.returncode not in (0, 1):
            sys.exit(f"failed ({proc.returncode}): {' '.join(command)}\n"
                     f"{err.decode(errors='replace')[-2000:]}")
        report = open(peak_file.name).read().split()
        peak = int(report[-1]) / 1024 if report and report[-1].isdigit() else 0
    return wall, usage.ru_utime + usage.ru_stime, peak, out, err


def remove(path):
    """rm -rf: millions of files go far faster than with shutil, and this script stays small."""
    subprocess.run(["rm", "-rf", path], check=False)


def generate(args, name, size, pst):
    _, options, _ = ROWS[name]
    amount = ["--size", str(count(size))] if name == "ost50g" else ["--generate", str(count(size))]
    wall, _, peak, _, err = run_rusage([args.mkpst, *amount, "--seed", str(args.seed), *options,
                                        pst])
    m = re.search(rb"wrote .*: (\d+) items", err)
    items = int(m.group(1)) if m else 0
    return wall, peak, items


def list_time(args, pst):
    wall, _, _, out, _ = run_rusage([args.export, "--list", pst], stdout=subprocess.PIPE)
    return wall, out.decode(errors="replace").count("\n")


def tree_fill_ms(args, pst):
    if not args.tree_fill:
        return None
    env = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"))
    _, _, _, out, _ = run_rusage([args.tree_fill, "--file-only", pst], env=env,
                                 stdout=subprocess.PIPE)
    m = re.search(rb"whole fill\s+\d+ nodes\s+fill\s+([\d.]+) ms", out)
    return float(m.group(1)) if m else None


def row(args, spec, root):
    name, _, size = spec.partition(":")
    if name.isdigit():  # a bare count: the usual mailbox at that size
        name, size = "20k", name
    if name not in ROWS:
        sys.exit(f"no scale row {name}: rows are {', '.join(ROWS)}")
    size = size or ROWS[name][0]
    fmt = ROWS[name][2]
    tmp = tempfile.mkdtemp(prefix=f"pellmark-scale-{name}-", dir=root)
    try:
        pst = os.path.join(tmp, "scale.ost" if name == "ost50g" else "scale.pst")
        gen_wall, gen_peak, items = generate(args, name, size, pst)
        gb = os.path.getsize(pst) / 1e9
        listed, folders = list_time(args, pst)
        tree = tree_fill_ms(args, pst)
        out = os.path.join(tmp, "out")
        os.makedirs(out)
        subprocess.run(["sync"], check=True)
        select = ["--since", "2024-01-01"] if name == "ost50g" else []
        wall, cpu, peak, _, _ = run_rusage([args.export, "--quiet", "--format", fmt, *select,
                                            pst, out])
        tree_text = f"{tree / 1000:.2f} s" if tree is not None else "n/a"
        print(f"| {name}:{size} | {items} | {gb:.2f} GB | {gen_wall:.1f} s "
              f"({gen_peak:.0f} MB) | {listed:.2f} s ({folders} folders) | {tree_text} | "
              f"{fmt} | {wall:.1f} s | {cpu:.1f} s | {cpu / max(items, 1) * 1e6:.0f} µs | "
              f"{peak:.0f} MB |", flush=True)
    finally:
        remove(tmp)


def run(args):
    root = args.disk or "/var/tmp"
    os.makedirs(root, exist_ok=True)
    print("| row | items | file | generation (peak) | --list | tree fill | export | wall | "
          "CPU | CPU per item | peak memory |")
    print("|---|---|---|---|---|---|---|---|---|---|---|")
    for spec in args.scale.split(","):
        row(args, spec.strip(), root)
