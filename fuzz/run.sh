#!/usr/bin/env bash
# Fuzzes the PST reader for a given time (default 10 minutes) from a seed corpus of the real
# samples. Crash inputs land in fuzz/artifacts/; copy each into fuzz/regressions/ once fixed so
# the test suite keeps reading it.
#   fuzz/run.sh [SECONDS] [extra libFuzzer flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
scripts/install-deps.sh fuzz
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELLMARK_FUZZ=ON -DPELLMARK_SANITIZE=ON -DPELLMARK_TESTS=OFF >/dev/null
cmake --build "$build" --target pst_fuzzer make_corpus
corpus=fuzz/corpus-work
mkdir -p "$corpus" fuzz/artifacts
samples=../shared/samples/pst
if [ -d "$samples" ] && [ -z "$(ls -A "$corpus")" ]; then
  find "$samples" -type f -size -2500k -exec cp {} "$corpus"/ \;
fi
cp fuzz/regressions/* "$corpus"/ 2>/dev/null || true
# Copies cut short, changed bytes and changes with their checksums made to match again.
"$build"/fuzz/make_corpus "$corpus"
exec "$build"/fuzz/pst_fuzzer "$corpus" -max_total_time="$seconds" -max_len=2500000 \
  -rss_limit_mb=3072 -timeout=30 -artifact_prefix=fuzz/artifacts/ -print_final_stats=1 "$@"
