#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds and runs every test
# normally, again under AddressSanitizer + UndefinedBehaviorSanitizer, the
# engine tests under ThreadSanitizer, and bounded fuzz runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/deps.sh
jobs=$(nproc)
fuzz_seconds=${ZENTIQ_FUZZ_SECONDS:-30}

# Warnings are errors in the plain build; the sanitizer builds leave them as
# warnings, since GCC's bounds warnings misfire on instrumented code.
build() {  # build DIR [cmake args...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTIQ_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

echo "== normal build and tests"
build build/test
ctest --test-dir build/test --output-on-failure -j "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
build build/asan -DZENTIQ_SANITIZE=address -DZENTIQ_BENCH=OFF -DZENTIQ_WERROR=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=suppressions="$root/tools/lsan.supp" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

echo "== ThreadSanitizer (engine)"
build build/tsan -DZENTIQ_SANITIZE=thread -DZENTIQ_ENGINE_ONLY=ON -DZENTIQ_BENCH=OFF -DZENTIQ_WERROR=OFF
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build/tsan --output-on-failure -j "$jobs"

echo "== fuzzing (${fuzz_seconds}s per target)"
CC=clang CXX=clang++ build build/fuzz -DZENTIQ_FUZZ=ON -DZENTIQ_BENCH=OFF -DZENTIQ_WERROR=OFF
tools/run_fuzzers.sh build/fuzz "$fuzz_seconds"
echo "== all test stages passed"
