#!/usr/bin/env bash
# Runs the desktop program of the .deb in the build tree $1 from the package's files unpacked
# into a scratch root (nothing is installed): without a display it says so in one line and
# exits 1; --help and --version answer without one; under Xvfb, given a mailbox, it opens its
# window on that mailbox's folders and stays up (window_session.sh). $2 is pellmark-mkpst,
# which writes the mailbox, $3 the version the program reports.
set -euo pipefail
tree=$1
mkpst=$2
version=$3
here=$(cd "$(dirname "$0")" && pwd)
for tool in xvfb-run:xvfb xauth:xauth xwininfo:x11-utils xprop:x11-utils xwd:x11-apps \
            dbus-run-session:dbus-daemon /usr/libexec/at-spi-bus-launcher:at-spi2-core; do
  command -v "${tool%%:*}" >/dev/null || { echo "${tool%%:*} is missing: install the Debian package ${tool##*:}"; exit 1; }
done
/usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null ||
  { echo "AT-SPI for Python is missing: install the Debian packages python3-gi and gir1.2-atspi-2.0"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg-deb -x "$(ls "$tree"/*.deb)" "$root"
program=$root/usr/bin/pellmark
# A user's session as the program meets it, without the suite's offscreen platform.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config HOME=$work
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
status=0
fail() { echo "$*"; status=1; }

# run NAME ARGS...: the program's exit status in $code, its output in $work/NAME.out and .err.
run() {
  local name=$1
  shift
  code=0
  timeout 30 "$program" "$@" >"$work/$name.out" 2>"$work/$name.err" || code=$?
}

run nodisplay
said=$(cat "$work/nodisplay.out" "$work/nodisplay.err")
echo "without a display (exit $code): $said"
[ "$code" -eq 1 ] || fail "without a display the exit status is $code, not 1"
[ -n "$said" ] && [ "$(grep -c '' <<<"$said")" -eq 1 ] || fail "without a display it does not say one line"

run help --help
echo "--help (exit $code):"
cat "$work/help.out" "$work/help.err"
[ "$code" -eq 0 ] || fail "--help exits with $code"
grep -q pellmark "$work/help.out" || fail "--help does not print its usage on standard output"

run version --version
echo "--version (exit $code): $(cat "$work/version.out" "$work/version.err")"
[ "$code" -eq 0 ] || fail "--version exits with $code"
grep -qF "$version" "$work/version.out" || fail "--version does not print $version"

cat >"$work/box.json" <<'JSON'
{"store": {"name": "Packaged Mailbox"},
 "folders": [{"name": "Inbox", "class": "IPF.Note", "messages": [{"subject": "Hello"}],
              "folders": [{"name": "Quarterly Reports"}]},
             {"name": "Zeta Projects", "class": "IPF.Note"}]}
JSON
"$mkpst" --quiet --from "$work/box.json" "$work/mail box.pst"
# xvfb-run -a alone takes :99, or the first display after it without a lock file in /tmp,
# which an X server of the machine that this /tmp does not show may hold: a number drawn at
# random, up to three servers, each checked with a plain X client before the program starts.
window=0
for try in 1 2 3; do
  window=0
  xvfb-run -n $((200 + RANDOM % 30000)) -a -e "$work/xvfb.err" -s "-screen 0 1024x768x24 -dpi 96" \
    dbus-run-session -- "$here/window_session.sh" "$program" "$work/mail box.pst" "$work" \
    "Packaged Mailbox" "Inbox" "Zeta Projects" >"$work/window.log" 2>&1 || window=$?
  [ "$window" -eq 75 ] || break
  echo "try $try: $(grep -v '^dbus-daemon\[' "$work/window.log")"
  sed 's/^/Xvfb: /' "$work/xvfb.err"
done
grep -v '^dbus-daemon\[' "$work/window.log" || true
[ "$window" -eq 0 ] || fail "the window did not show the mailbox (above)"
exit $status
