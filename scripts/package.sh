#!/usr/bin/env bash
# Builds the Debian package of Pellmark (pellmark_VERSION_ARCH.deb) from a Release build of the
# install target, with CPack; the package's dependencies are the Debian packages the programs
# need. Installs the build dependencies first (--no-deps: only checks for them, for the test
# suite). The package lands in the build tree (build-package/, or $PELLMARK_PACKAGE_BUILD).
#
# The programs are compiled and linked with Debian's hardening flags, as dpkg-buildflags gives
# them to every package: fortified functions, a stack protector, a position-independent
# executable, read-only relocations bound at start (relro, bindnow). Release's -O3 comes after
# the flags' -O2 and wins; the flags' -g is left out, as the package's programs are stripped.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --no-deps ]; then
  for tool in cmake ninja g++ dpkg-buildflags dpkg-shlibdeps file; do
    command -v "$tool" >/dev/null || {
      echo "package: $tool is missing: scripts/install-deps.sh build installs it" >&2; exit 1; }
  done
else
  scripts/install-deps.sh build
fi
build=${PELLMARK_PACKAGE_BUILD:-build-package}
export DEB_BUILD_MAINT_OPTIONS=${DEB_BUILD_MAINT_OPTIONS:-hardening=+all}
export DEB_CXXFLAGS_MAINT_STRIP=${DEB_CXXFLAGS_MAINT_STRIP:--g}
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELLMARK_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" --target pellmark-packaged
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)
ls "$build"/*.deb
