#!/usr/bin/env bash
# Runs every fuzz target of build-fuzz/ for a few seconds on a copy of its
# seed corpus. Exits non-zero when any target crashes or a sanitizer
# reports; exits 0 without running anything when there is no fuzz build.
set -uo pipefail
cd "$(dirname "$0")/.."
source fuzz/env.sh

if ! ls build-fuzz/fuzz/fuzz_* >/dev/null 2>&1; then
  echo "fuzz/smoke.sh: no fuzz build in build-fuzz/, skipping"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=()
for target in build-fuzz/fuzz/fuzz_*; do
  [[ -x $target && -f $target ]] || continue
  name=$(basename "$target")
  corpus=$work/$name
  mkdir -p "$corpus"
  cp fuzz/corpus/"${name#fuzz_}"/* "$corpus"/ 2>/dev/null || true
  if "$target" -max_total_time="${FUZZ_SECONDS:-3}" -timeout=25 -rss_limit_mb=2048 \
      -artifact_prefix="$work/$name-" "$corpus" >"$work/$name.log" 2>&1; then
    echo "fuzz/smoke.sh: $name ok ($(grep -o 'Done [0-9]* runs' "$work/$name.log" | tail -1))"
  else
    echo "fuzz/smoke.sh: $name FAILED"
    tail -n 60 "$work/$name.log"
    failed+=("$name")
  fi
done
if ((${#failed[@]})); then
  echo "fuzz/smoke.sh: failures in ${failed[*]}"
  exit 1
fi
