#!/usr/bin/env bash
# Runs the installed-package tests (debian/tests) against built packages in
# a fresh minimal Debian 12 made for this run: mmdebstrap makes it in a
# temporary folder, autopkgtest's chroot backend installs the packages and
# each test's dependencies from the archive and runs the tests. The chroot
# backend works as root without subordinate user ids, which a fresh
# system's root lacks; its /proc, /dev and /sys are mounted in a mount
# namespace of its own, so they vanish with the run whatever happens.
# Usage: tools/autopkgtest.sh [PACKAGE.deb...] (default build-package/*.deb)
# MIROVANE_DEBIAN_MIRROR names another archive than deb.debian.org.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  exec sudo --preserve-env=MIROVANE_DEBIAN_MIRROR "$0" "$@"
fi
tools/install-deps.sh >&2

debs=("$@")
[ ${#debs[@]} -gt 0 ] || debs=(build-package/*.deb)
for deb in "${debs[@]}"; do
  [ -f "$deb" ] || { echo "no package $deb; build them with tools/package.sh" >&2; exit 2; }
done
mirror=${MIROVANE_DEBIAN_MIRROR:-http://deb.debian.org/debian}

work=$(mktemp -d "${TMPDIR:-/tmp}/mirovane-autopkgtest.XXXXXX")
trap 'rm -rf --one-file-system "$work"' EXIT
root=$work/root

mmdebstrap --quiet --variant=apt --mode=root bookworm "$root" "$mirror"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
tools/copy-source.sh "$work/source"
mkdir "$work/debs"
cp "${debs[@]}" "$work/debs/"

unshare --mount --propagation private -- sh -euc '
  root=$1; shift
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount --rbind /sys "$root/sys"
  exec "$@"' mount-testbed "$root" \
  autopkgtest --output-dir "$work/out" --summary-file "$work/summary" \
    --setup-commands 'apt-get update' --no-built-binaries \
    "$work"/debs/*.deb "$work/source/" -- chroot "$root" || status=$?
echo "autopkgtest summary:"
cat "$work/summary" 2>/dev/null || true
exit "${status:-0}"
