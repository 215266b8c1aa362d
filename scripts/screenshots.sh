#!/usr/bin/env bash
# Takes the screenshots in docs/screenshots (main window on both pages, the conversion window
# during a run, the About window) on a virtual X display. Optional argument: the mailbox to show.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
build=${PELLMARK_SCREENSHOT_BUILD:-build-screenshots}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target pellmark-screenshots pellmark-mkpst >/dev/null
mailbox=${1:-}
if [ -z "$mailbox" ]; then
  mailbox="$build/screenshot-mailbox.pst"
  "$build/tools/mkpst/pellmark-mkpst" --generate 400 "$mailbox" >/dev/null
fi
xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
  "$build/tests/app/pellmark-screenshots" docs/screenshots "$mailbox"
