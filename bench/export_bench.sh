#!/usr/bin/env bash
# The export against its peers and its floor, in one run on one generated mailbox:
#   pellmark-export --format eml   vs  readpst -j 0 -e      (the faster .eml peer)
#   pellmark-export --format txt   vs  pffexport -f text    (the text peer)
#   pellmark-export --format eml   vs  cp -r of its own output tree (the copy floor)
# Prints seconds and peak resident memory of each, and the ratios.
#   bench/export_bench.sh [ITEMS] [SEED]      (default 20000 items)
set -euo pipefail
cd "$(dirname "$0")/.."
items=${1:-20000}
seed=${2:-7}
scripts/install-deps.sh bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELLMARK_TESTS=OFF >/dev/null
cmake --build build-bench --target pellmark-export pellmark-mkpst >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/pellmark-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
pst="$work/bench.pst"
build-bench/tools/mkpst/pellmark-mkpst --generate "$items" --seed "$seed" "$pst" >/dev/null
echo "mailbox: $items items, $(du -m "$pst" | cut -f1) MB"

# measure NAME COMMAND...: prints "NAME seconds peak-MB" and records them.
declare -A secs mem
measure() {
  local name=$1; shift
  sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || {
    echo "$name failed:"; tail -5 "$work/stderr"; exit 1; }
  read -r s kb < "$work/time"
  secs[$name]=$s; mem[$name]=$((kb / 1024))
  printf '%-22s %8.2f s %6d MB\n' "$name" "$s" "${mem[$name]}"
}

measure pellmark-eml build-bench/src/cli/pellmark-export --format eml "$pst" "$work/eml"
measure readpst-eml readpst -j 0 -e -o "$(mkdir -p "$work/readpst" && echo "$work/readpst")" "$pst"
measure pellmark-txt build-bench/src/cli/pellmark-export --format txt "$pst" "$work/txt"
measure pffexport-txt pffexport -q -f text -t "$work/pff" "$pst"
measure copy-floor cp -r "$work/eml" "$work/eml-copy"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == 0) a = 0.01; printf "%.2f", b / a }'; }
echo
echo "eml: $(ratio "${secs[pellmark-eml]}" "${secs[readpst-eml]}")x faster than readpst (goal: 3x)"
echo "txt: $(ratio "${secs[pellmark-txt]}" "${secs[pffexport-txt]}")x faster than pffexport (goal: 3x)"
echo "eml: $(ratio "${secs[copy-floor]}" "${secs[pellmark-eml]}")x the copy floor (goal: within 2x)"
echo "peak memory: eml ${mem[pellmark-eml]} MB, txt ${mem[pellmark-txt]} MB (goal: under 100 MB)"
