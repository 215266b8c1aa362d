#!/usr/bin/env bash
# Installs what Pellmark needs on Debian 12 with apt-get. Groups: build (the program), test
# (the suite and its independent readers), fuzz (clang's libFuzzer), bench (the peers and GNU
# time for the benchmarks). Nothing is installed
# when everything asked for is already there.
set -euo pipefail

# The window's artwork is SVG (qt6-svg-dev); its faces stand in for Tahoma and Verdana
# (DejaVu Sans Condensed and DejaVu Sans, the fonts-dejavu packages).
# libssl-dev: OpenSSL's SHA-256 (with the processor's SHA extensions) for the export manifest.
# libmimalloc-dev: the programs' allocator (cmake/Allocator.cmake).
# dpkg-dev: dpkg-shlibdeps, with which CPack finds the package's dependencies, and
# dpkg-buildflags, Debian's hardening flags (package.sh); file: CPack's test for programs.
# libicu-dev: ICU's table of Windows time zone names to IANA ones, for the .ics writer (the
# package's dependency on libicu comes from dpkg-shlibdeps).
# The pdf format: Qt WebEngine (qt6-webengine-dev, Chromium) lays out its pages, qpdf
# (libqpdf-dev) embeds the attachments and writes the PDF/A metadata; WenQuanYi Zen Hei
# (fonts-wqy-zenhei) gives Chinese, Japanese and Korean mail its characters.
build=(cmake ninja-build g++ pkg-config zlib1g-dev qt6-base-dev qt6-svg-dev libgmime-3.0-dev
       libssl-dev libmimalloc-dev libicu-dev fonts-dejavu-core fonts-dejavu-extra dpkg-dev file
       qt6-webengine-dev libqpdf-dev fonts-wqy-zenhei)
# Packages are installed without their recommendations, so a reader that cannot start without
# one of them names it here: msgconvert loads Email::Address (libemail-address-perl).
# The mailbox exports are read back by mutt and served by Dovecot's IMAP server
# (dovecot-imapd, started per test on a free port); their calendars and address books by
# Radicale's CalDAV and CardDAV server (radicale, likewise); lintian checks the Debian package.
# The package's menu entry and file type are checked by desktop-file-utils, xmllint
# (libxml2-utils), shared-mime-info and GIO (libglib2.0-bin); its window under Xvfb by
# xwininfo and xprop (x11-utils), a dump of it (xwd, in x11-apps) and its accessibility tree
# (at-spi2-core on a D-Bus session of dbus-daemon, read with python3-gi and gir1.2-atspi-2.0).
# .ics files are read by python3-icalendar, their recurrences expanded by python3-dateutil.
# PDFs are read back by qpdf, poppler-utils (pdftotext, pdfdetach, pdffonts, pdfimages) and
# pikepdf (python3-pikepdf).
test=(qpdf poppler-utils python3-pikepdf libgtest-dev libgmock-dev clang-format git pff-tools pst-utils unrtf libemail-outlook-message-perl
      libemail-address-perl python3 python3-vobject python3-olefile python3-pypff python3-icalendar
      python3-dateutil chromium xvfb xauth fonts-dejavu-core
      mutt dovecot-imapd radicale lintian desktop-file-utils libxml2-utils shared-mime-info
      libglib2.0-bin x11-utils x11-apps dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0)
# .msg files are also read back by @kenjiuno/msgreader, the reader of Node.js mail tools, and
# .ics files by ical.js, the iCalendar library of Thunderbird and other web calendars: Node.js
# from Debian, and the modules with their dependencies as the npm registry serves them, pinned
# and checked by their SHA-512, unpacked into $node_modules (curl fetches them; no npm
# needed). The pinned SHA-512 is what vouches for each file, so a proxy that re-signs TLS is no
# obstacle; a registry that cannot be reached leaves the modules out with a warning, and the
# tests that read with them say so and skip, rather than the whole suite failing.
node_modules=/opt/pellmark-tests/node_modules
node_packages=(
  "@kenjiuno/msgreader 1.28.0 fa2bf6ad6086447997ff7b01c17673913844baecb01898e762cbf18fa2a9d4bfc50cc20241c16bb6a37ee8c16b9e1d9dfae9ad7c6b57f74e30c5a6040d9e7631"
  "@kenjiuno/decompressrtf 0.1.4 bfd73f885cf5ee3456c9dd9c467aef260e153a0ff823f54293e6c6f099e85f6809f6c01eb0fce8dee4ea7269555dda5ab1323c842869055c34d2982129edea4d"
  "iconv-lite 0.6.3 e1f0a4efdc2c84c773329dab1f4eaa5ab244e22a25a8b842507f8e8ae22053ef91074fbde0d9432fcd5ab4eec65f9e6e50ab9ea34b711cdb6f13223a0fb59d33"
  "safer-buffer 2.1.2 619a372bcd920fb462ca2d04d4440fa232f3ee4a5ea6749023d2323db1c78355d75debdbe5d248eeda72376003c467106c71bbbdcc911e4d1c6f0a9c42b894b6"
  "ical.js 1.5.0 ed9c4c928814924682c7cd74ca9d1918abead59a518097a8ae73edb69a317ba9d867734b7ac65ed7058c5c37704e48ff6f936d5d3f98d7a01a92987f6a8f7c65"
)
fuzz=(clang libclang-rt-14-dev)
bench=(time pff-tools pst-utils libemail-outlook-message-perl libemail-address-perl)

want=()
for group in "$@"; do
  case "$group" in
    build) want+=("${build[@]}") ;;
    test)
      want+=("${build[@]}" "${test[@]}" nodejs curl ca-certificates)
      ;;
    fuzz) want+=("${build[@]}" "${fuzz[@]}") ;;
    bench) want+=("${build[@]}" "${bench[@]}") ;;
    *) echo "install-deps: unknown group '$group' (build, test, fuzz, bench)" >&2; exit 2 ;;
  esac
done

missing=()
for pkg in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Every pinned module must load; one missing or of another version fetches them all again.
node_modules_present() {
  local entry name version sum
  for entry in "${node_packages[@]}"; do
    read -r name version sum <<<"$entry"
    NODE_PATH=$node_modules node -e \
      "process.exit(require('$name/package.json').version === '$version' ? 0 : 1)" \
      2>/dev/null || return 1
  done
}

if [[ " $* " == *" test "* ]] && ! node_modules_present; then
  scratch=$(mktemp -d)
  fetched=yes
  for entry in "${node_packages[@]}"; do
    read -r name version sum <<<"$entry"
    tarball="$scratch/${name##*/}-$version.tgz"
    if curl -sSfL --insecure --retry 2 -o "$tarball" \
         "https://registry.npmjs.org/$name/-/${name##*/}-$version.tgz" &&
       echo "$sum  $tarball" | sha512sum --quiet -c -; then
      continue
    fi
    fetched=no
    break
  done
  if [ "$fetched" = yes ]; then
    for entry in "${node_packages[@]}"; do
      read -r name version sum <<<"$entry"
      $sudo rm -rf "$node_modules/$name"
      $sudo mkdir -p "$node_modules/$name"
      $sudo tar -xzf "$scratch/${name##*/}-$version.tgz" -C "$node_modules/$name" \
        --strip-components=1 --no-same-owner
    done
  else
    echo "install-deps: the pinned Node.js modules (@kenjiuno/msgreader, ical.js) could not be fetched from the npm registry; the tests that read with them will skip" >&2
  fi
  rm -rf "$scratch"
fi
