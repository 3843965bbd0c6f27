#!/usr/bin/env bash
# Installs what is missing, builds the console demo (Release, build/run) and
# runs it: the engine polls a pymodbus demo slave in Modbus RTU over a socat
# pty pair for a few seconds and prints the values as they change.
# Arguments are passed to the demo (--seconds N).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/deps.sh
dir=build/run
# The demo needs only the engine: no Qt, no benchmarks.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTIQ_ENGINE_ONLY=ON \
  -DZENTIQ_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target zentiq_demo
exec "$dir/src/zentiq_demo" --script "$root/tools/demo_slave.py" "$@"
