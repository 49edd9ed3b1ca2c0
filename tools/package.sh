#!/usr/bin/env bash
# Makes the Debian packages the way Debian builds them: dpkg-buildpackage
# over debian/, on a copy of the source tree in build-package/, so that its
# results land in build-package/ and nothing is left beside the repository:
# mirovane-template-updater_VERSION_ARCH.deb (both programs),
# libmirovane-settings-dev_VERSION_ARCH.deb (the settings library), the
# debug symbols (-dbgsym), the .buildinfo and the .changes.
# DEB_BUILD_OPTIONS=nocheck skips the tests that run in the build.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh >&2

out=build-package
source_dir=$out/mirovane-template-updater
rm -rf "$out"
tools/copy-source.sh "$source_dir"
(cd "$source_dir" && dpkg-buildpackage -us -uc -b -J"${JOBS:-$(nproc)}")
rm -rf "$source_dir"
ls "$out"/*.deb
