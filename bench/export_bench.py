#!/usr/bin/env python3
"""The export against its peers and its floor, in one run on one generated mailbox.

Each row runs our export and its peer alternately, RUNS times, and reports the medians of wall
time, CPU time (user + system), files written and peak resident memory. Rows on tmpfs measure
the tools' own work; rows on disk last until `sync` returns. The copy floor is `cp -r` of our
own finished output tree (page cache warm) followed by `sync`: what writing those files costs
at the least. Called by bench/export_bench.sh, which builds the programs.
"""

import argparse
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def tree_rss_mb(pid):
    """The resident memory of a process and all its descendants (a browser engine's helper
    processes), in MB."""
    total, todo = 0, [pid]
    while todo:
        p = todo.pop()
        try:
            with open(f"/proc/{p}/status") as f:
                total += next(int(l.split()[1]) for l in f if l.startswith("VmRSS:"))
            with open(f"/proc/{p}/task/{p}/children") as f:
                todo += [int(c) for c in f.read().split()]
        except (OSError, StopIteration):
            pass
    return total / 1024


def run_tree_timed(command):
    """Runs `command`, sampling its process tree's memory every 0.1 s: returns (wall s, cpu s of
    the tree, peak MB of the tree)."""
    start = time.monotonic()
    before = os.times()
    proc = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    peak = 0
    while proc.poll() is None:
        peak = max(peak, tree_rss_mb(proc.pid))
        time.sleep(0.1)
    wall = time.monotonic() - start
    after = os.times()
    if proc.returncode not in (0, 1):
        sys.exit(f"failed ({proc.returncode}): {' '.join(command)}\n"
                 f"{proc.stderr.read().decode(errors='replace')[-2000:]}")
    cpu = (after.children_user - before.children_user) + (after.children_system -
                                                           before.children_system)
    return wall, cpu, peak


def run_timed(command, cwd=None):
    """Runs `command` under GNU time; returns (wall s, cpu s, peak MB)."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as out:
        full = ["/usr/bin/time", "-f", "%e %U %S %M", "-o", out.name] + command
        done = subprocess.run(full, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if done.returncode not in (0, 1):
            sys.exit(f"failed ({done.returncode}): {' '.join(command)}\n"
                     f"{done.stderr.decode(errors='replace')[-2000:]}")
        fields = out.read().split()[-4:]
    wall, user, system, kb = (float(f) for f in fields)
    return wall, user + system, kb / 1024


def count_files(root):
    return sum(len(files) for _, _, files in os.walk(root))


def fresh(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


class Tool:
    """One side of a row: `make(out)` gives the command writing into directory `out`; `items`,
    when given, adds the rate at which it went through that many items."""

    def __init__(self, name, make, sync=False, items=None, tree=False):
        self.name, self.make, self.sync, self.items = name, make, sync, items
        self.tree = tree  # memory of the whole process tree, sampled
        self.walls, self.cpus, self.mems, self.files = [], [], [], 0
        self.outputs = []

    def run(self, out):
        if self.sync:
            # On a disk every run writes a directory of its own, all removed at the end: ext4
            # makes new files slowly for minutes after thousands were deleted (it passes over
            # recently freed inodes), which would charge one run for the cleanup of another.
            out = f"{out}-{len(self.walls)}"
            self.outputs.append(out)
        fresh(out)
        command = self.make(out)
        if self.sync:
            # What earlier runs left to write back is written first, untimed.
            subprocess.run(["sync"], check=True)
            command = ["sh", "-c", '"$@" && sync', "sh"] + command
        wall, cpu, mem = run_tree_timed(command) if self.tree else run_timed(command)
        self.walls.append(wall)
        self.cpus.append(cpu)
        self.mems.append(mem)
        self.files = count_files(out)

    def wall(self):
        return statistics.median(self.walls)

    def summary(self):
        rate = f", {self.items / self.wall():,.0f} items/s" if self.items else ""
        return (f"{self.wall():.2f} s wall, {statistics.median(self.cpus):.2f} s CPU, "
                f"{self.files} files, {max(self.mems):.0f} MB{rate}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--export", required=True)
    parser.add_argument("--mkpst", required=True)
    parser.add_argument("--items", type=int, default=20000)
    parser.add_argument("--seed", type=int, default=5)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--tmpfs", default="/dev/shm")
    parser.add_argument("--disk", default=None, help="a directory on a disk (default: bench/)")
    parser.add_argument("--pdf-items", type=int, default=1000,
                        help="items of the pdf row's mailbox")
    parser.add_argument("--formats", default="eml,txt,html,rtf,msg,mht,msgin,ics,pdf",
                        help="the tmpfs rows; msgin reads a directory of our own .msg export "
                             "of the mailbox to .eml, against msgconvert on the same files; "
                             "ics exports a calendar of as many appointments, a third of them "
                             "recurring, against the .eml export of the same items")
    parser.add_argument("--against", default=None,
                        help="another build's pellmark-export: every row also runs it, and says "
                             "how its time compares with ours (before/ours)")
    parser.add_argument("--scale", default=None,
                        help="instead of the peers: the scale rows to measure one after another, "
                             "by name (20k,330k,3m,folder500k,att2g,ost50g), each optionally "
                             "resized as NAME:SIZE (3m:100k, ost50g:2g); see scale_bench.py")
    parser.add_argument("--tree-fill", default=None,
                        help="tree-fill-bench, for the scale rows' folder tree fill")
    args = parser.parse_args()
    if args.scale:
        return scale(args)
    disk_root = args.disk or os.path.join(os.path.dirname(os.path.abspath(__file__)), ".work")

    tmp = tempfile.mkdtemp(prefix="pellmark-bench-", dir=args.tmpfs)
    os.makedirs(disk_root, exist_ok=True)
    disk = tempfile.mkdtemp(prefix="pellmark-bench-", dir=disk_root)
    try:
        pst = os.path.join(tmp, "bench.pst")
        subprocess.run([args.mkpst, "--generate", str(args.items), "--seed", str(args.seed), pst],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        disk_pst = os.path.join(disk, "bench.pst")
        shutil.copyfile(pst, disk_pst)
        print(f"mailbox: {args.items} items, {os.path.getsize(pst) / 1e6:.0f} MB; "
              f"{os.cpu_count()} cores; {platform.processor() or platform.machine()}; "
              f"medians of {args.runs} runs, the tools alternating")

        def ours(fmt, source):
            return lambda out: [args.export, "--format", fmt, source, out]

        def readpst(flag, source):
            return lambda out: ["readpst", "-q", "-j", "0", flag, "-o", out, source]

        def pffexport(fmt, source):
            return lambda out: ["pffexport", "-q", "-f", fmt, "-t", os.path.join(out, "x"),
                                source]

        peers = {
            "eml": ("readpst -j 0 -e", readpst("-e", pst)),
            "txt": ("pffexport -f text", pffexport("text", pst)),
            "html": ("pffexport -f html", pffexport("html", pst)),
            "rtf": ("pffexport -f rtf", pffexport("rtf", pst)),
            "msg": ("readpst -j 0 -m (.eml and .msg)", readpst("-m", pst)),
        }
        def before(fmt, source):
            return lambda out: [args.against, "--format", fmt, source, out]

        rows = []
        for fmt in args.formats.split(","):
            if fmt == "msgin":
                rows.append(message_directory_row(args, pst, tmp))
                continue
            if fmt == "ics":
                rows.append(calendar_row(args, tmp))
                continue
            if fmt == "pdf":
                rows.append(pdf_row(args, tmp))
                continue
            tools = [Tool(f"ours .{fmt}", ours(fmt, pst))]
            if fmt in peers:
                tools.append(Tool(peers[fmt][0], peers[fmt][1]))
            if args.against:
                tools.append(Tool(f"before .{fmt}", before(fmt, pst)))
            rows.append((f".{fmt} to tmpfs", tools, tmp))
        # Last, after minutes of tmpfs work: see Tool.run on ext4 and deleted files.
        disk_ours = Tool("ours .eml", ours("eml", disk_pst), sync=True)
        disk_tools = [disk_ours, Tool("readpst -j 0 -e", readpst("-e", disk_pst), sync=True)]
        if args.against:
            disk_tools.append(Tool("before .eml", before("eml", disk_pst), sync=True))
        rows.append((".eml to disk (until sync)", disk_tools, disk))

        print("| work | ours | peer | peer/ours |" + (" before | before/ours |" if args.against else ""))
        print("|---|---|---|---|" + ("---|---|" if args.against else ""))
        for title, tools, where in rows:
            for _ in range(args.runs):
                for i, tool in enumerate(tools):
                    tool.run(os.path.join(where, f"out{i}"))
            others = [t for t in tools[1:] if not t.name.startswith("before")]
            peer = others[0] if others else None
            ratio = f"**{peer.wall() / tools[0].wall():.2f}**" if peer else ""
            peer_text = f"{peer.name}: {peer.summary()}" if peer else "(no peer)"
            line = f"| {title} | {tools[0].summary()} | {peer_text} | {ratio} |"
            if args.against and tools[-1].name.startswith("before"):
                old = tools[-1]
                line += f" {old.summary()} | **{old.wall() / tools[0].wall():.2f}** |"
            elif args.against:
                line += " (not in the older build) | |"
            print(line, flush=True)
            if title == ".eml to tmpfs":
                # The floor in memory: the .eml tree just written, copied.
                source = os.path.join(where, "out0")
                floor = Tool("cp -r", lambda out: ["cp", "-r", source, os.path.join(out, "copy")])
                for _ in range(args.runs):
                    floor.run(os.path.join(where, "floor"))
                shutil.rmtree(os.path.join(where, "floor"), ignore_errors=True)
                print(f"| .eml to tmpfs vs copying its own output | {tools[0].wall():.2f} s | "
                      f"{floor.name}: {floor.wall():.2f} s | "
                      f"**{tools[0].wall() / floor.wall():.2f}x the floor** |", flush=True)

        if "msg" in args.formats.split(","):
            memory_rows(args, tmp)

        # The floor: our own .eml tree as written on disk, copied and synced.
        source = disk_ours.outputs[0]
        floor = Tool("cp -r + sync",
                     lambda out: ["cp", "-r", source, os.path.join(out, "copy")], sync=True)
        for _ in range(args.runs):
            floor.run(os.path.join(disk, "floor"))
        print(f"| .eml to disk vs copying its own output | {disk_ours.wall():.2f} s | "
              f"{floor.name}: {floor.wall():.2f} s | **{disk_ours.wall() / floor.wall():.2f}x "
              f"the floor** |")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
        shutil.rmtree(disk, ignore_errors=True)


def memory_rows(args, tmp):
    """Peak memory of the .msg export on the items that hold most objects: five messages with
    4,000 recipients each, and one message with 10,000 attachments (every one a storage of the
    file, most with streams small enough for the mini stream)."""
    recipients = [{"name": f"Recipient {i}", "email": f"r{i}@example.com"} for i in range(4000)]
    attachments = [{"name": f"file{i}.txt", "text": "attachment %d " % i * (1 + i % 40)}
                   for i in range(10000)]
    cases = [
        ("five messages, 4,000 recipients each", {"kind": "mail", "subject": "Many {n}",
                                                 "to": recipients, "body": "to everyone",
                                                 "repeat": 5}),
        ("one message, 10,000 attachments", {"kind": "mail", "subject": "Attached",
                                            "body": "see the files", "attachments": attachments}),
    ]
    for title, message in cases:
        doc = os.path.join(tmp, "wide.json")
        with open(doc, "w") as f:
            json.dump({"folders": [{"name": "Inbox", "messages": [message]}]}, f)
        pst = os.path.join(tmp, "wide.pst")
        subprocess.run([args.mkpst, "--from", doc, pst, "--quiet"], check=True,
                       stdout=subprocess.DEVNULL)
        tools = [Tool("ours .msg", lambda out: [args.export, "--format", "msg", pst, out]),
                 Tool("readpst -j 0 -m", lambda out: ["readpst", "-q", "-j", "0", "-m", "-o",
                                                      out, pst])]
        if args.against:
            tools.append(Tool("before .msg", lambda out: [args.against, "--format", "msg", pst,
                                                          out]))
        for _ in range(args.runs):
            for i, tool in enumerate(tools):
                tool.run(os.path.join(tmp, f"wide{i}"))
        line = (f"| .msg peak memory: {title} | {tools[0].summary()} | "
                f"{tools[1].name}: {tools[1].summary()} | "
                f"**{max(tools[0].mems):.0f} MB** |")
        if args.against:
            line += f" {tools[-1].summary()} | **{tools[-1].wall() / tools[0].wall():.2f}** |"
        print(line, flush=True)
        for i in range(len(tools)):
            shutil.rmtree(os.path.join(tmp, f"wide{i}"), ignore_errors=True)


def message_directory_row(args, pst, tmp):
    """Reading .msg files: the mailbox exported once as .msg by ourselves (untimed), then that
    directory exported to .eml by us and by msgconvert, file by file through xargs. Contact
    folders come out as .vcf whatever the format, so the directory holds fewer files than the
    mailbox has items; both tools read the same .msg files."""
    made = os.path.join(tmp, "msgdir")
    fresh(made)
    subprocess.run([args.export, "--quiet", "--format", "msg", pst, made], check=True,
                   stdout=subprocess.DEVNULL)
    source = os.path.join(made, "Converted Outlook PST")
    messages = sum(1 for _, _, files in os.walk(source) for f in files if f.endswith(".msg"))
    # msgconvert writes each .eml into the directory it runs in; names that repeat in other
    # folders are written over, which costs it nothing.
    script = 'cd "$1" && find "$2" -name "*.msg" -print0 | xargs -0 msgconvert'
    tools = [Tool("ours .msg to .eml", lambda out: [args.export, "--format", "eml", source, out]),
             Tool("msgconvert", lambda out: ["sh", "-c", script, "sh", out, source])]
    return (f"{messages} .msg files to .eml on tmpfs", tools, tmp)


def calendar_row(args, tmp):
    """Calendars: a mailbox of ITEMS appointments written by pellmark-mkpst from a document
    (untimed): a third weekly meetings in New York, 40 instances each, one of them deleted and
    two changed (one moved, one in another room), with attendees and a reminder; a third single
    meetings in Berlin; a third all-day events. Our .ics export (one file for the folder)
    against our .eml export of the same items, as a rate: no peer writes recurring iCalendar."""
    third = args.items // 3
    people = {"organizer": {"name": "Ann Lee", "email": "ann@example.com"},
              "attendees": [{"name": "Bob Stone", "email": "bob@example.com",
                             "response": "accepted"},
                            {"name": "Room {n}", "email": "room{n}@example.com",
                             "type": "resource"}],
              "reminder": 15}
    series = dict(people, kind="appointment", repeat=third, subject="Weekly review {n}",
                  location="Room {n}", body="Agenda of review {n}: figures, risks, next steps.",
                  timeZone="Eastern Standard Time", start="2024-01-01T09:00:00",
                  end="2024-01-01T09:30:00",
                  recurrence={"type": "weekly", "days": ["MO", "WE"], "count": 40,
                              "deleted": ["2024-01-10"],
                              "exceptions": [
                                  {"originalStart": "2024-01-15T09:00:00",
                                   "start": "2024-01-15T11:00:00", "end": "2024-01-15T11:30:00",
                                   "subject": "Weekly review {n}, moved"},
                                  {"originalStart": "2024-01-17", "location": "Hall {n}"}]})
    single = dict(people, kind="appointment", repeat=args.items - 2 * third,
                  subject="Meeting {n}", location="Berlin office", body="Minutes of {n}.",
                  timeZone="W. Europe Standard Time", start="2024-03-12T14:00:00",
                  end="2024-03-12T15:00:00")
    day = {"kind": "appointment", "repeat": third, "subject": "Day off {n}", "allDay": True,
           "start": "2024-05-02", "end": "2024-05-03", "busyStatus": 3}
    doc = os.path.join(tmp, "calendar.json")
    with open(doc, "w") as f:
        json.dump({"store": {"name": "Calendar"},
                   "folders": [{"name": "Calendar", "class": "IPF.Appointment",
                                "messages": [series, single, day]}]}, f)
    pst = os.path.join(tmp, "calendar.pst")
    subprocess.run([args.mkpst, "--from", doc, pst, "--quiet"], check=True,
                   stdout=subprocess.DEVNULL)
    tools = [Tool("ours .ics", lambda out: [args.export, "--format", "ics", pst, out],
                  items=args.items),
             Tool("ours .eml of the same items",
                  lambda out: [args.export, "--format", "eml", pst, out], items=args.items)]
    return (f".ics of {args.items} appointments, a third recurring, to tmpfs", tools, tmp)


def pdf_row(args, tmp):
    """PDF: the first PDF_ITEMS items of a mailbox generated like the benchmark's (a PDF takes a
    browser engine's layout, far slower than a text format), against our .html export of the
    same items, the page each PDF renders; memory and CPU of the whole process tree, the
    engine's helper processes included."""
    items = min(args.items, args.pdf_items)
    pst = os.path.join(tmp, "pdf.pst")
    subprocess.run([args.mkpst, "--generate", str(items), "--seed", str(args.seed), pst],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    tools = [Tool("ours .pdf", lambda out: [args.export, "--format", "pdf", pst, out],
                  items=items, tree=True),
             Tool("ours .html of the same items",
                  lambda out: [args.export, "--format", "html", pst, out], items=items,
                  tree=True)]
    return (f".pdf of {items} items to tmpfs", tools, tmp)


def scale(args):
    """The scale rows (bench/scale_bench.py says what each is)."""
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import scale_bench
    scale_bench.run(args)


if __name__ == "__main__":
    main()
