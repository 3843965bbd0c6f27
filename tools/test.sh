#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds and runs every test
# normally, again under AddressSanitizer + UndefinedBehaviorSanitizer (built
# with clang, whose build also makes the fuzz targets), the engine tests
# under ThreadSanitizer, and bounded fuzz runs. Ends with each stage's time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/deps.sh
jobs=$(nproc)
fuzz_seconds=${ZENTIQ_FUZZ_SECONDS:-30}
. tools/build_lib.sh

normal() {
  build build/test
  ctest --test-dir build/test --output-on-failure -j "$jobs"
}

# One instrumented build serves the sanitizer suite and the fuzzers.
address() {
  CC=clang CXX=clang++ build build/asan -DZENTIQ_SANITIZE=address -DZENTIQ_FUZZ=ON -DZENTIQ_BENCH=OFF \
    -DZENTIQ_WERROR=OFF
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=suppressions="$root/tools/lsan.supp" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs"
}

thread() {
  build build/tsan -DZENTIQ_SANITIZE=thread -DZENTIQ_ENGINE_ONLY=ON -DZENTIQ_BENCH=OFF -DZENTIQ_WERROR=OFF
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir build/tsan --output-on-failure -j "$jobs"
}

stage "normal build and tests" normal
stage "AddressSanitizer + UndefinedBehaviorSanitizer" address
stage "ThreadSanitizer (engine)" thread
stage "fuzzing (${fuzz_seconds}s per target)" tools/run_fuzzers.sh build/asan "$fuzz_seconds"
echo "== all test stages passed"
printf '%s\n' "${stage_times[@]}"
