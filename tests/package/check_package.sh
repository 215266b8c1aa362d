#!/usr/bin/env bash
# Builds the .deb of the build tree $1 with CPack into a scratch directory and checks it: every
# file the install target puts in is there below /usr, the dependencies name the libraries and
# run-time packages, and lintian reports no error (E:).
set -euo pipefail
build=$1
for tool in cpack:cmake dpkg-shlibdeps:dpkg-dev lintian:lintian; do
  command -v "${tool%%:*}" >/dev/null || { echo "${tool%%:*} is missing: install the Debian package ${tool##*:}"; exit 1; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if ! cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log"; exit 1
fi
deb=$(ls "$out"/*.deb)
echo "package: $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | sort >"$out/files"
status=0
for want in /usr/bin/pellmark-export /usr/bin/pellmark /usr/lib/pellmark/pellmark \
            /usr/lib/pellmark/Help.html /usr/share/man/man1/pellmark-export.1.gz \
            /usr/share/man/man1/pellmark.1.gz \
            /usr/share/bash-completion/completions/pellmark-export \
            /usr/share/applications/pellmark.desktop \
            /usr/share/icons/hicolor/scalable/apps/pellmark.svg \
            /usr/share/doc/pellmark/copyright /usr/share/doc/pellmark/changelog.gz; do
  grep -qxF "$want" "$out/files" || { echo "missing from the package: $want"; status=1; }
done
if grep -v -e '^/$' -e '^/usr/' "$out/files" | grep . ; then
  echo "files outside /usr (above)"; status=1
fi
if grep -e '^/usr/local' "$out/files"; then echo "files in /usr/local (above)"; status=1; fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libgmime-3.0-0 libgsf-1-114 libssl3 qt6-qpa-plugins fonts-dejavu-core; do
  grep -q "$lib" <<<"$depends" || { echo "Depends lacks $lib"; status=1; }
done
lintian --tag-display-limit 0 "$deb" >"$out/lintian" 2>&1 || true
cat "$out/lintian"
if grep -q '^E:' "$out/lintian"; then echo "lintian reports errors"; status=1; fi
exit $status
