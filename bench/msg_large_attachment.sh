#!/usr/bin/env bash
# Time and peak memory of writing a .msg whose attachment is several hundred MB; the
# attachment must pass through in pieces, so peak memory stays a few MB whatever its size.
#   bench/msg_large_attachment.sh [BUILD_DIR] [MEGABYTES...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
sizes=("${@:-100 400 800}")
cmake --build "$build" --target msg_large_attachment >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for mb in ${sizes[@]}; do
  /usr/bin/time -f "%e s wall, %M KB peak RSS" "$build/bench/msg_large_attachment" \
    "$out/large.msg" "$mb" 2>&1
  ls -l "$out/large.msg" | awk '{print "  file size " $5 " bytes"}'
done
