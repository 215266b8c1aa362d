#!/usr/bin/env bash
# Times the folder tree's fill with mailboxes of 5,000 folders (and a .pst when one is given),
# in an optimised build, drawing on a virtual X display when one can be had.
#   bench/tree-fill.sh [--folders N] [FILE.pst]
#   bench/tree-fill.sh --file-only FILE.pst      (that file alone)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${PELLMARK_BENCH_BUILD:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target tree-fill-bench >/dev/null
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bench/tree-fill-bench" "$@"
fi
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} exec "$build/bench/tree-fill-bench" "$@"
