#!/usr/bin/env bash
# Inside an X display and a D-Bus session of its own (check_program.sh starts both): starts the
# program PROGRAM on the mailbox FILE, finds its window by the process id Qt puts on it, checks
# that it is mapped, of the main window's fixed size and painted (a dump of it by xwd), that
# its folder tree shows each FOLDER, read over the accessibility bus (folders_shown.py), and
# that the program is still running after all that; then ends it.
#   window_session.sh PROGRAM FILE WORKDIR FOLDER...
set -euo pipefail
program=$1
file=$2
work=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
# A display that a plain X client cannot use either is the machine's fault, not the program's:
# exit 75 so that check_program.sh starts another server.
if ! xwininfo -root >/dev/null 2>&1; then
  echo "the X server on $DISPLAY does not take connections: $(xwininfo -root 2>&1 | head -1)"
  exit 75
fi
# Qt puts its windows on the accessibility bus only when asked or when a screen reader runs.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$program" "$file" >"$work/program.log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; sed "s/^/program: /" "$work/program.log"' EXIT

window() {
  local id
  for id in $(xwininfo -root -children | awk '$1 ~ /^0x/ {print $1}'); do
    if xprop -id "$id" _NET_WM_PID 2>/dev/null | grep -q "= $pid\$" &&
       xwininfo -id "$id" | grep -q 'Map State: IsViewable'; then
      echo "$id"
      return 0
    fi
  done
  return 1
}
id=""
for _ in $(seq 60); do
  kill -0 "$pid" 2>/dev/null || { wait "$pid" && code=0 || code=$?; echo "the program ended (exit $code) before it showed a window"; exit 1; }
  id=$(window) && break
  sleep 0.5
done
[ -n "$id" ] || { echo "no window of the program in 30 s"; exit 1; }
geometry=$(xwininfo -id "$id")
title=$(sed -n 's/^xwininfo: Window id: [^ ]* //p' <<<"$geometry")
width=$(awk '/^  Width:/ {print $2}' <<<"$geometry")
height=$(awk '/^  Height:/ {print $2}' <<<"$geometry")
echo "window $id $title: ${width}x${height}"
status=0
/usr/bin/python3 "$here/folders_shown.py" "$pid" 30 "$@" || status=1
xwd -silent -id "$id" -out "$work/window.xwd"
/usr/bin/python3 "$here/screenshot_painted.py" "$work/window.xwd" 696 584 || status=1
kill -0 "$pid" 2>/dev/null || { echo "the program ended while its window was checked"; status=1; }
exit $status
