#!/usr/bin/env bash
# Configures and builds the libFuzzer targets in build-fuzz/ with clang-14,
# every library instrumented for the fuzzer and with AddressSanitizer and
# UndefinedBehaviorSanitizer. Without clang-14 or its fuzzer runtime it says
# so and exits 0, so that callers can run it unconditionally.
set -euo pipefail
cd "$(dirname "$0")/.."

cc=clang-14
cxx=clang++-14
if ! command -v "$cxx" >/dev/null || ! command -v "$cc" >/dev/null; then
  echo "fuzz/build.sh: $cxx not found, skipping the fuzz build"
  exit 0
fi
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! "$cxx" -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
  echo "fuzz/build.sh: the fuzzer runtime of $cxx is missing (libclang-rt-14-dev), skipping the fuzz build"
  exit 0
fi

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -g -O1"
CC=$cc CXX=$cxx cmake -S . -B build-fuzz -G Ninja \
  -DCMAKE_BUILD_TYPE= -DMIROVANE_FUZZ=ON -DMIROVANE_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$flags"
cmake --build build-fuzz -j "${FUZZ_JOBS:-2}" --target fuzz_targets
