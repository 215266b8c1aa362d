#!/usr/bin/env bash
# Builds the Debian package of Pellmark (pellmark_VERSION_ARCH.deb) from a Release build of the
# install target, with CPack; the package's dependencies are the Debian packages the programs
# need. Installs the build dependencies first. The package lands in the build tree
# (build-package/, or $PELLMARK_PACKAGE_BUILD).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
build=${PELLMARK_PACKAGE_BUILD:-build-package}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELLMARK_TESTS=OFF >/dev/null
cmake --build "$build"
(cd "$build" && cpack -G DEB)
ls "$build"/*.deb
