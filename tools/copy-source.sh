#!/usr/bin/env bash
# Copies the source tree into DEST as git sees it, tracked files and new
# ones alike, without build folders or anything .gitignore names: what a
# package is built from and what its installed-package tests read.
set -euo pipefail
dest=${1:?usage: tools/copy-source.sh DEST}
cd "$(dirname "$0")/.."
mkdir -p "$dest"
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
  tar --null -T - -cf - | tar -xf - -C "$dest"
