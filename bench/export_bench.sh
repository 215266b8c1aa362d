#!/usr/bin/env bash
# The export against its peers and its floor, in one run on one generated mailbox: every
# format on tmpfs against its peer where Debian has one (readpst, pffexport), .eml on disk
# against readpst and against copying its own output, with CPU time and peak memory; with the
# .msg row, the .msg export's peak memory on five messages of 4,000 recipients each and on one
# message of 10,000 attachments; and a directory of our own .msg export of that mailbox read
# back to .eml, against msgconvert; and a calendar of ITEMS appointments, a third of them
# recurring with exceptions, exported as .ics against the .eml export of the same items; and
# BENCH_PDF_ITEMS (default 1000) items of a mailbox like the first as .pdf against the .html
# export of the same items, with the memory of the whole process tree (the browser engine's).
#   bench/export_bench.sh [ITEMS] [SEED] [RUNS]      (default 20000 items, seed 5, 3 runs)
# BENCH_FORMATS=eml,txt limits the tmpfs rows; BENCH_DISK=DIR puts the disk rows elsewhere;
# BENCH_SCALE=20k,330k,3m,folder500k,att2g,ost50g measures those scale rows instead, one after
# another, each mailbox and its export in BENCH_DISK (default /var/tmp) and deleted before the
# next: 20k the usual mailbox of 20,000 items (the reference for CPU per item), small20k 20,000
# small items (the reference for the rows of small items), 330k the same mix
# at 330,000 items (5 GB), 3m 3,000,000 small items (short plain mail), folder500k one folder of
# 500,000 small items, att2g one message with a 2 GiB attachment beside 1,000 small items, and
# ost50g a 50 GB .ost of 4 KiB pages, exported as .txt of one year's messages (every item read,
# a tenth written: neither a .eml nor a .txt of every item fits beside it on a 69 GB disk).
# Per row: file size, generation time, --list time, the window's folder tree fill, export wall,
# CPU, CPU per item and peak memory. NAME:SIZE resizes a row to try it (3m:100k, ost50g:2g);
# the full rows need about 60 GB of disk and hours. BENCH_AGAINST=PATH runs another build's
# pellmark-export in every row too, beside ours.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELLMARK_TESTS=OFF >/dev/null
cmake --build build-bench --target pellmark-export pellmark-mkpst >/dev/null
if [ -n "${BENCH_SCALE:-}" ]; then
  cmake -S . -B build-bench -DPELLMARK_TESTS=ON >/dev/null  # tree-fill-bench needs the fakes
  cmake --build build-bench --target tree-fill-bench >/dev/null
fi
args=(--export build-bench/src/cli/pellmark-export --mkpst build-bench/tools/mkpst/pellmark-mkpst
      --items "${1:-20000}" --seed "${2:-5}" --runs "${3:-3}")
[ -n "${BENCH_FORMATS:-}" ] && args+=(--formats "$BENCH_FORMATS")
[ -n "${BENCH_DISK:-}" ] && args+=(--disk "$BENCH_DISK")
[ -n "${BENCH_SCALE:-}" ] && args+=(--scale "$BENCH_SCALE" --tree-fill build-bench/bench/tree-fill-bench)
[ -n "${BENCH_AGAINST:-}" ] && args+=(--against "$BENCH_AGAINST")
[ -n "${BENCH_PDF_ITEMS:-}" ] && args+=(--pdf-items "$BENCH_PDF_ITEMS")
exec /usr/bin/python3 bench/export_bench.py "${args[@]}"
