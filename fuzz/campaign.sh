#!/usr/bin/env bash
# A long fuzzing campaign: each target (all, or those named as arguments,
# such as fuzz_lzrw) runs -runs=10000000 on its own growing corpus under
# build-fuzz/campaign/, seeded from fuzz/corpus/. FUZZ_SECONDS bounds each
# target's time as well. Logs, crash inputs and a line of totals per target
# go to build-fuzz/campaign/. Exits non-zero when any target crashed.
set -uo pipefail
cd "$(dirname "$0")/.."
source fuzz/env.sh
# Recording every allocation's stack costs a quarter of a run's time; a
# crash input replays with full stacks through smoke.sh's settings.
export ASAN_OPTIONS=$ASAN_OPTIONS:malloc_context_size=0

if ! ls build-fuzz/fuzz/fuzz_* >/dev/null 2>&1; then
  echo "fuzz/campaign.sh: no fuzz build in build-fuzz/, run fuzz/build.sh first"
  exit 1
fi
out=build-fuzz/campaign
mkdir -p "$out"
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=()
  for target in build-fuzz/fuzz/fuzz_*; do
    [[ -x $target && -f $target ]] && targets+=("$(basename "$target")")
  done
fi
status=0
for name in "${targets[@]}"; do
  if [[ ! -x build-fuzz/fuzz/$name ]]; then
    echo "fuzz/campaign.sh: no target $name" | tee -a "$out/totals.txt"
    status=1
    continue
  fi
  corpus=$out/corpus/$name
  mkdir -p "$corpus"
  cp -n fuzz/corpus/"${name#fuzz_}"/* "$corpus"/ 2>/dev/null || true
  log=$out/$name.log
  limit=()
  [[ -n ${FUZZ_SECONDS:-} ]] && limit=(-max_total_time="$FUZZ_SECONDS")
  start=$(date +%s)
  build-fuzz/fuzz/"$name" -runs=10000000 "${limit[@]}" -timeout=25 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$out/$name-" "$corpus" >"$log" 2>&1
  rc=$?
  seconds=$(($(date +%s) - start))
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  result=ok
  ((rc != 0)) && result="CRASH (exit $rc, see $log)" && status=1
  echo "$name: ${runs:-?} executions in ${seconds}s, corpus $(ls "$corpus" | wc -l) files, $result" | tee -a "$out/totals.txt"
done
exit $status
