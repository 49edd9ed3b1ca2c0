#!/usr/bin/env bash
# Kills a 300-file `convert -o DIR` batch with SIGKILL at 50 random moments
# and checks what a crash leaves: every target must hold its old bytes or its
# whole new ones, and at most 256 temporary files may remain.
# Usage: bench/kill-batch.sh TOOL [KILLS]
set -euo pipefail
tool=$1
kills=${2:-50}
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix
mkdir -p "$WINEPREFIX" "$work/in" "$work/out"
for i in $(seq -w 1 150); do
  cp examples/old-plain-template.xml "$work/in/plain$i.xml"
  cp examples/old-encrypted-template.xml "$work/in/encrypted$i.xml"
done
# Each target's old bytes name it, so that no two targets are alike.
reset_targets() {
  rm -rf "$work/out" && mkdir "$work/out"
  for f in "$work"/in/*.xml; do
    n=${f##*/}
    printf 'an earlier template %s\n' "${n%.xml}" >"$work/out/${n%.xml}.bts"
  done
}
# Every checksum a target may have: its old bytes or its whole new ones.
reset_targets
(cd "$work/out" && sha1sum -- *.bts) >"$work/allowed"
start=$(date +%s%N)
"$tool" convert -q -o "$work/out" "$work"/in/*.xml >/dev/null 2>&1
span=$((($(date +%s%N) - start) / 1000))
(cd "$work/out" && sha1sum -- *.bts) >>"$work/allowed"

partial=0 most=0 interrupted=0
for _ in $(seq 1 "$kills"); do
  reset_targets
  delay=$((RANDOM * 32768 + RANDOM))
  delay=$((delay % (span + 1)))
  "$tool" convert -q -o "$work/out" "$work"/in/*.xml >/dev/null 2>&1 &
  pid=$!
  sleep "$(awk -v us="$delay" 'BEGIN { printf "%.6f", us / 1e6 }')"
  kill -9 "$pid" 2>/dev/null || true
  if ! wait "$pid" 2>/dev/null; then interrupted=$((interrupted + 1)); fi
  temporaries=$(find "$work/out" -name '*.mirovane-tmp-*' | wc -l)
  ((temporaries > most)) && most=$temporaries
  bad=$( (cd "$work/out" && sha1sum -- *.bts) | grep -cvxFf "$work/allowed" || true)
  partial=$((partial + bad))
done
echo "kills: $kills (of them during the run: $interrupted), run time ${span} us"
echo "partial targets: $partial"
echo "most temporaries seen: $most (bound 256)"
((partial == 0 && most <= 256))
