#!/usr/bin/env bash
# The batch figures: 1,000 templates (half encrypted) in one
# `convert -o DIR` beside the plain I/O floor (the same reads, temporary
# files, one sync, renames and folder sync, nothing else), then the kill
# test of a 300-file batch. Usage: bench/batch.sh TOOL FLOOR
set -euo pipefail
tool=$(realpath "$1")
floor=$(realpath "$2")
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix
mkdir -p "$WINEPREFIX" "$work/templates" "$work/out-tool" "$work/out-floor"
for i in $(seq -w 1 500); do
  cp examples/old-plain-template.xml "$work/templates/plain$i.xml"
  cp examples/old-encrypted-template.xml "$work/templates/encrypted$i.xml"
done

echo "== 1,000 templates in one convert -o DIR, beside the I/O floor (goal: within 1.5 times)"
hyperfine --warmup 2 --runs 10 \
  -n convert "$tool convert -q -o $work/out-tool $work/templates/*.xml" \
  -n floor "$floor $work/out-floor $work/templates/*.xml"

echo
echo "== kill -9 at 50 random moments of a 300-file batch over existing targets"
bench/kill-batch.sh "$tool" 50
