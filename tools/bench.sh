#!/usr/bin/env bash
# Builds the benchmarks (Release, in build/bench) and runs every bench_*
# program, printing their figures. Extra arguments are passed to each program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/deps.sh
dir=build/bench

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTIQ_ENGINE_ONLY=OFF -DZENTIQ_BENCH=ON >/dev/null
targets=()
for src in bench/engine/*.cpp bench/ui/*.cpp; do
  [ -e "$src" ] || continue
  targets+=("bench_$(basename "$src" .cpp)")
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "no benchmarks found under bench/"
  exit 0
fi
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}" zentiq_libmodbus_slave

status=0
for t in "${targets[@]}"; do
  echo "== $t"
  # A hung benchmark must not hold the run: each gets at most five minutes.
  if ! QT_QPA_PLATFORM=offscreen timeout 300 "$dir/bench/$t" "$@"; then
    echo "$t failed"
    status=1
  fi
  echo
done
exit $status
