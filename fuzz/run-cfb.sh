#!/usr/bin/env bash
# Fuzzes the compound-file reader and writer for a given time (default 10 minutes), seeded
# with the sample .msg files of ../shared/samples/msg (copied into the work corpus at run
# time, never into the repository). Crash inputs land in fuzz/artifacts/; copy each into
# fuzz/regressions-cfb/ once fixed so the test suite keeps reading it.
#   fuzz/run-cfb.sh [SECONDS] [extra libFuzzer flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
scripts/install-deps.sh fuzz
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELLMARK_FUZZ=ON -DPELLMARK_SANITIZE=ON -DPELLMARK_TESTS=OFF >/dev/null
cmake --build "$build" --target cfb_fuzzer -- -j2
corpus=fuzz/corpus-cfb
mkdir -p "$corpus" fuzz/artifacts
samples=../shared/samples/msg
if [ -d "$samples" ] && [ -z "$(ls -A "$corpus")" ]; then
  cp "$samples"/*.msg "$corpus"/
fi
cp fuzz/regressions-cfb/* "$corpus"/ 2>/dev/null || true
exec "$build"/fuzz/cfb_fuzzer "$corpus" -max_total_time="$seconds" -max_len=200000 \
  -rss_limit_mb=3072 -timeout=30 -artifact_prefix=fuzz/artifacts/ -print_final_stats=1 "$@"
