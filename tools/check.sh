#!/usr/bin/env bash
# Installs what is missing, then builds everything and runs every test:
# the native build, the sanitizer build, the Windows build under Wine, and the fuzzers;
# the benchmarks are compiled, not run.
set -euo pipefail
cd "$(dirname "$0")/.."
groups=(core asan)
[ -f tests/wine/run-gui-tests.sh ] && groups+=(windows)
[ -f fuzz/CMakeLists.txt ] && groups+=(fuzz)
[ -f bench/CMakeLists.txt ] && groups+=(bench)
bash tools/install-deps.sh "${groups[@]}"

step() { printf '\n==== %s\n' "$*"; }

step "native build and tests"
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default

step "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
cmake --preset asan >/dev/null
cmake --build --preset asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan

if [ -f tests/wine/run-gui-tests.sh ]; then
  step "Windows build (MinGW-w64), unit tests and the dialog under Wine"
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw
  bash tests/wine/run-gui-tests.sh
fi

if [ -f fuzz/run-fuzzers.sh ]; then
  step "bounded fuzzing"
  bash fuzz/run-fuzzers.sh
fi
if [ -f bench/CMakeLists.txt ]; then
  step "benchmarks compile (bench/run times them; they are not run here)"
  cmake --preset bench >/dev/null
  cmake --build --preset bench
fi
step "all checks passed"
