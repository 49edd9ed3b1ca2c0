#!/usr/bin/env bash
# Builds a Release into build-package/ and makes the Debian packages with
# CPack: mirovane-template-updater_VERSION_ARCH.deb (both programs) and
# libmirovane-settings-dev_VERSION_ARCH.deb (the settings library).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh >&2

cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DMIROVANE_TESTS=OFF -DMIROVANE_WERROR=ON
cmake --build build-package -j "${JOBS:-$(nproc)}"
rm -f build-package/*.deb
(cd build-package && cpack -G DEB)
ls build-package/*.deb
