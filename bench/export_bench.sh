#!/usr/bin/env bash
# The export against its peers and its floor, in one run on one generated mailbox: every
# format on tmpfs against its peer where Debian has one (readpst, pffexport), .eml on disk
# against readpst and against copying its own output, with CPU time and peak memory; with the
# .msg row, the .msg export's peak memory on five messages of 4,000 recipients each and on one
# message of 10,000 attachments; and a directory of our own .msg export of that mailbox read
# back to .eml, against msgconvert; and a calendar of ITEMS appointments, a third of them
# recurring with exceptions, exported as .ics against the .eml export of the same items.
#   bench/export_bench.sh [ITEMS] [SEED] [RUNS]      (default 20000 items, seed 5, 3 runs)
# BENCH_FORMATS=eml,txt limits the tmpfs rows; BENCH_DISK=DIR puts the disk rows elsewhere;
# BENCH_SCALE=1000,20000,100000,330000 measures our .eml export at those sizes instead (the
# last is a 5 GB file; the mailbox and its export must fit in /dev/shm). BENCH_AGAINST=PATH runs
# another build's pellmark-export in every row too, beside ours.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELLMARK_TESTS=OFF >/dev/null
cmake --build build-bench --target pellmark-export pellmark-mkpst >/dev/null
args=(--export build-bench/src/cli/pellmark-export --mkpst build-bench/tools/mkpst/pellmark-mkpst
      --items "${1:-20000}" --seed "${2:-5}" --runs "${3:-3}")
[ -n "${BENCH_FORMATS:-}" ] && args+=(--formats "$BENCH_FORMATS")
[ -n "${BENCH_DISK:-}" ] && args+=(--disk "$BENCH_DISK")
[ -n "${BENCH_SCALE:-}" ] && args+=(--scale "$BENCH_SCALE")
[ -n "${BENCH_AGAINST:-}" ] && args+=(--against "$BENCH_AGAINST")
exec /usr/bin/python3 bench/export_bench.py "${args[@]}"
