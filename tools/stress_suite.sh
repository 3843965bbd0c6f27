#!/usr/bin/env bash
# The normal suite on a busy machine: builds it as tools/test.sh does, then
# runs it ROUNDS times in a row (default 3) while BUSY plain busy loops
# (default 2, normal priority) run beside it, and reports every test that
# failed in any round. Exit status 0 only when no round had a failure.
#
#   tools/stress_suite.sh [--rounds N] [--busy N] [ctest arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
rounds=3
busy=2
while [ $# -gt 0 ]; do
  case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --busy) busy=$2; shift 2 ;;
    *) break ;;
  esac
done
case "$rounds$busy" in *[!0-9]*|'') echo "usage: $0 [--rounds N] [--busy N] [ctest arguments...]" >&2; exit 2 ;; esac

tools/deps.sh
. tools/build_lib.sh
build build/test

loops=()
stop_loops() {
  [ ${#loops[@]} -gt 0 ] && kill "${loops[@]}" 2>/dev/null || true
  wait "${loops[@]}" 2>/dev/null || true
  loops=()
}
trap stop_loops EXIT

report=$(mktemp)
for round in $(seq 1 "$rounds"); do
  for _ in $(seq 1 "$busy"); do
    # A plain busy loop at normal priority, as a compiler or a browser would be.
    bash -c 'while :; do :; done' &
    loops+=($!)
  done
  echo "== round $round of $rounds, $busy busy loops, load $(cut -d' ' -f1-3 /proc/loadavg)"
  failed=build/test/Testing/Temporary/LastTestsFailed.log
  rm -f "$failed"
  start=$(date +%s)
  ctest --test-dir build/test --output-on-failure -j "$(nproc)" "$@" || true
  echo "-- round $round took $(( $(date +%s) - start )) s"
  if [ -s "$failed" ]; then
    sed "s/^[0-9]*:/round $round: /" "$failed" >>"$report"
  fi
  stop_loops
done

echo "== tests that failed in any of $rounds rounds with $busy busy loops"
if [ -s "$report" ]; then
  cat "$report"
  rm -f "$report"
  exit 1
fi
rm -f "$report"
echo "none"
