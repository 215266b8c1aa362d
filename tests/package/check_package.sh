#!/usr/bin/env bash
# Checks the .deb that scripts/package.sh left in the build tree $1: every file the install
# target puts in is there below /usr, the dependencies name the libraries and run-time
# packages and apt can satisfy them (a simulated install: nothing is installed), and lintian,
# informational and pedantic tags included, reports nothing but the package's own overrides.
set -euo pipefail
tree=$1
for tool in lintian:lintian apt-get:apt; do
  command -v "${tool%%:*}" >/dev/null || { echo "${tool%%:*} is missing: install the Debian package ${tool##*:}"; exit 1; }
done
deb=$(ls "$tree"/*.deb)
echo "package: $(basename "$deb")"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | sort >"$out/files"
status=0
for want in /usr/bin/pellmark-export /usr/bin/pellmark /usr/lib/pellmark/pellmark \
            /usr/lib/pellmark/Help.html /usr/share/man/man1/pellmark-export.1.gz \
            /usr/share/man/man1/pellmark.1.gz \
            /usr/share/bash-completion/completions/pellmark-export \
            /usr/share/applications/pellmark.desktop /usr/share/mime/packages/pellmark.xml \
            /usr/share/icons/hicolor/scalable/apps/pellmark.svg \
            /usr/share/lintian/overrides/pellmark \
            /usr/share/doc/pellmark/copyright /usr/share/doc/pellmark/changelog.gz; do
  grep -qxF "$want" "$out/files" || { echo "missing from the package: $want"; status=1; }
done
if grep -v -e '^/$' -e '^/usr/' "$out/files" | grep . ; then
  echo "files outside /usr (above)"; status=1
fi
if grep -e '^/usr/local' "$out/files"; then echo "files in /usr/local (above)"; status=1; fi

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libgmime-3.0-0 libssl3 qt6-qpa-plugins fonts-dejavu-core; do
  grep -q "$lib" <<<"$depends" || { echo "Depends lacks $lib"; status=1; }
done
# Compound files (.msg) are written by our own code: libgsf is no longer linked.
if grep -q libgsf <<<"$depends"; then echo "Depends still names libgsf"; status=1; fi
# apt resolves the dependencies from its lists as an install would, and installs nothing.
if ! apt-get install --simulate --no-install-recommends "$deb" >"$out/apt" 2>&1 ||
   ! grep -q '^Inst pellmark ' "$out/apt"; then
  cat "$out/apt"; echo "apt cannot install the package"; status=1
fi

# Overridden tags (O:, with their reasons as N:) are the package's own judgement; any other
# tag of any level is a fault.
lintian -I --pedantic --show-overrides --tag-display-limit 0 "$deb" >"$out/lintian" 2>&1 || true
grep -v -e '^running with root privileges' "$out/lintian" || true
if grep -q -v -e '^[ON]: ' -e '^running with root privileges' "$out/lintian"; then
  echo "lintian reports tags that the package does not override"; status=1
fi
exit $status
