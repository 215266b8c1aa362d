#!/usr/bin/env bash
# Installs the dependencies, builds Pellmark (optimised) and starts the desktop program. With
# arguments it runs pellmark-export, the command-line front end, with them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELLMARK_TESTS=OFF >/dev/null
cmake --build build
if [ $# -gt 0 ]; then
  exec build/src/cli/pellmark-export "$@"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'TEXT'
Pellmark is built, but there is no display here to show its window on.
  - From a desktop session, or over ssh -X, run:   ./scripts/run.sh
  - To check that it starts on a machine without one (apt-get install xvfb xauth):
        xvfb-run -a ./scripts/run.sh
  - Or export without a window:   ./scripts/run.sh --help   (pellmark-export)
TEXT
  exit 1
fi
exec build/src/app/pellmark
