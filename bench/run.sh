#!/usr/bin/env bash
# Builds the benchmarks in build-bench/ (Release) and runs all of them:
# the benchmark binary with the reference libraries side by side, again
# for AES with the AES instructions off on both sides, then the command-line
# tool converting 1,000 templates in one call and its start-up beside a
# trivial program's, convert -r over the same folder and show of one
# template beside --version, timed with hyperfine; last the batch figures
# (bench/batch.sh: a convert -o DIR beside the plain I/O floor, and kills). Arguments go to the benchmark
# binary (for example --benchmark_filter=Xml).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh libpugixml-dev liblz4-dev zlib1g-dev hyperfine

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIROVANE_BENCH=ON -DMIROVANE_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target mirovane_bench mirovane-templates mirovane_io_floor
bench=build-bench/bench/mirovane_bench
tool=build-bench/src/app/cli/mirovane-templates
runs=(--benchmark_repetitions=3 --benchmark_report_aggregates_only=true)

echo "== Benchmarks against the reference libraries"
"$bench" "${runs[@]}" "$@"

echo
echo "== AES without AES instructions: our table path against OpenSSL's best other path"
MIROVANE_AES_FORCE_TABLE=1 OPENSSL_ia32cap="~0x200000200000000" \
  "$bench" --benchmark_filter=Aes "${runs[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The tool reads its settings from a Wine prefix: an empty one here.
export WINEPREFIX=$work/prefix
mkdir -p "$WINEPREFIX" "$work/templates"
for i in $(seq -w 1 500); do
  cp examples/old-plain-template.xml "$work/templates/plain$i.xml"
  cp examples/old-encrypted-template.xml "$work/templates/encrypted$i.xml"
done

echo
echo "== 1,000 templates (half of them encrypted) in one convert call"
hyperfine --warmup 2 --runs 10 "$tool convert $work/templates/*.xml"

echo
echo "== The same folder with convert -r, beside the 1,000-file call (goal: within 1.2 times)"
hyperfine --warmup 2 --runs 10 "$tool convert $work/templates/*.xml" "$tool convert -r $work/templates"

echo
echo "== Start-up: --version against a trivial C++ program, and against one that only starts Qt"
printf 'int main() { return 0; }\n' >"$work/trivial.cpp"
c++ -O2 "$work/trivial.cpp" -o "$work/trivial"
printf '#include <QCoreApplication>\nint main(int c, char** v) { QCoreApplication a(c, v); return 0; }\n' \
  >"$work/qt-trivial.cpp"
# shellcheck disable=SC2046 # pkg-config gives several words on purpose
c++ -std=c++20 -O2 -fPIC "$work/qt-trivial.cpp" $(pkg-config --cflags --libs Qt6Core) -o "$work/qt-trivial"
hyperfine -N --warmup 20 --runs 300 "$tool --version" "$work/trivial" "$work/qt-trivial"

echo
echo "== show of one template beside --version (goal: within 2 times)"
hyperfine -N --warmup 20 --runs 300 "$tool show examples/old-plain-template.xml" "$tool --version"

echo
bench/batch.sh "$tool" build-bench/bench/mirovane_io_floor
