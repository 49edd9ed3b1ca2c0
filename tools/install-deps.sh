#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config libgtest-dev libbenchmark-dev
          qt6-base-dev libgl-dev libicu-dev libssl-dev
          clang-14 libclang-rt-14-dev
          xvfb xauth libxcb1-dev desktop-file-utils fonts-dejavu-core fonts-dejavu-extra fonts-cantarell fonts-liberation2
          dpkg-dev fakeroot file lintian appstream gzip
          debhelper devscripts autopkgtest mmdebstrap
          bash-completion
          wine64)

missing=()
for p in "${packages[@]}" "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)

echo "Installing: ${missing[*]}"
if ! "${apt[@]}" install -y --no-install-recommends "${missing[@]}"; then
  "${apt[@]}" update
  "${apt[@]}" install -y --no-install-recommends "${missing[@]}"
fi
