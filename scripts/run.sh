#!/usr/bin/env bash
# Installs the dependencies, builds Pellmark (optimised) and starts it. Arguments are passed to
# pellmark-export, the command-line front end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELLMARK_TESTS=OFF >/dev/null
cmake --build build
if [ $# -eq 0 ]; then
  exec build/src/cli/pellmark-export --help
fi
exec build/src/cli/pellmark-export "$@"
