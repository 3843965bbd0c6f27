#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a bounded time, starting
# from (and adding to a scratch copy of) its committed corpus. The wire-facing
# engine targets get twice the time of the file loaders.
set -euo pipefail
build_dir=$1
seconds=${2:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for target in "$build_dir"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$root/fuzz/corpus/${name#fuzz_}"
  scratch=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$scratch"/
  budget=$seconds
  [ -f "$root/fuzz/engine/${name#fuzz_}.cpp" ] && budget=$((seconds * 2))
  echo "-- $name for ${budget}s"
  if ! "$target" -max_total_time="$budget" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=0 "$scratch" 2>"$scratch.log"; then
    tail -n 60 "$scratch.log"
    status=1
  else
    grep -E '^#[0-9]+.*DONE' "$scratch.log" | tail -n 1 || true
  fi
  rm -rf "$scratch" "$scratch.log"
done
exit $status
