#!/usr/bin/env bash
# tools/bench.sh over stand-in benches in a scratch tree (the build steps
# stubbed): runs, arguments, the goal table's medians and verdicts, and a
# failing bench that neither stops the others nor hides its goals.
set -uo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)/tools/bench.sh
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{tools,bin,bench/engine,bench/ui,build/bench/bench}
cp "$src" "$root/tools/bench.sh"
printf '#!/bin/sh\nexit 0\n' >"$root/tools/deps.sh"
printf '#!/bin/sh\nexit 0\n' >"$root/bin/cmake"
touch "$root"/bench/ui/{failing,late}.cpp
echo '//   bench_first [seconds] [--busy N]' >"$root"/bench/engine/first.cpp
# Each run of bench_first counts itself; its figures move with the count.
cat >"$root/build/bench/bench/bench_first" <<EOF
#!/bin/sh
n=\$(cat "$root/count" 2>/dev/null || echo 0); n=\$((n + 1)); echo \$n >"$root/count"
echo "args: \$*"
echo "goal first_ratio: 0.\$((79 + 3 * n)) (goal >= 0.850) met"
case \$n in 1) ms=130 ;; 2) ms=90 ;; *) ms=95 ;; esac
echo "goal first_ms: \$ms.000 ms (goal <= 100.000) met"
EOF
printf '#!/bin/sh\necho "goal failing_points: 7.000 points (goal <= 5.000) MISSED"\nexit 3\n' \
  >"$root/build/bench/bench/bench_failing"
# Prints its goal from the second run on only.
printf '#!/bin/sh\n[ "$(cat %s/count)" -ge 2 ] && echo "goal late_pct: 95.000 %% (goal >= 90.000) met"\nexit 0\n' \
  "$root" >"$root/build/bench/bench/bench_late"
chmod +x "$root"/tools/*.sh "$root"/bin/cmake "$root"/build/bench/bench/*

fails=0
check() {  # check <what> <extended regex> <text>
  if ! grep -Eq -- "$2" <<<"$3"; then
    echo "FAILED: $1 (no line matching '$2')"
    fails=$((fails + 1))
  fi
}

out=$(PATH="$root/bin:$PATH" bash "$root/tools/bench.sh" --runs 3 7 x 2>&1)
status=$?
[ "$status" -ne 0 ] || { echo "FAILED: a failing bench must make the exit status non-zero"; fails=$((fails + 1)); }
check "three runs by default count" "^== bench_late \(run 3 of 3\)" "$out"
check "other arguments reach every program" "^args: 7 x$" "$out"
check "median of 0.82 0.85 0.88, met" "^first_ratio +0\.820 +0\.850 +0\.880 +0\.850 +>= 0\.850 +met +bench_first$" "$out"
check "median of 130 90 95, met though run 1 missed" "^first_ms +130\.000 +90\.000 +95\.000 +95\.000 +<= 100\.000 ms +met" "$out"
check "a failing bench's goals still count" "^failing_points .* 7\.000 +<= 5\.000 points +MISSED +bench_failing$" "$out"
check "a run without the figure is marked" "^late_pct +- +95\.000 +95\.000 +95\.000 +>= 90\.000 % +met" "$out"
check "the failures are listed" "^  bench_failing run 3: exit status 3$" "$out"
check "the summary counts the goals" "^3 of 4 goals met" "$out"

rm -f "$root/count"
out=$(PATH="$root/bin:$PATH" bash "$root/tools/bench.sh" --runs=1 2>&1)
check "--runs=1 runs once" "^first_ratio +0\.820 +0\.820 " "$out"
if grep -q "run 2 of" <<<"$out"; then echo "FAILED: --runs=1 ran twice"; fails=$((fails + 1)); fi

# Busy mode: only the benches that take --busy run, and they get it.
rm -f "$root/count"
out=$(PATH="$root/bin:$PATH" bash "$root/tools/bench.sh" --runs=1 --busy 2 5 2>&1)
check "--busy reaches the benches that take it" "^args: 5 --busy 2$" "$out"
if grep -q "bench_failing\|bench_late" <<<"$out"; then echo "FAILED: --busy ran a bench without it"; fails=$((fails + 1)); fi
out=$(PATH="$root/bin:$PATH" bash "$root/tools/bench.sh" --busy x 2>&1)
[ $? -eq 2 ] || { echo "FAILED: --busy x must be refused"; fails=$((fails + 1)); }

for bad in 0 x 101; do
  out=$(PATH="$root/bin:$PATH" bash "$root/tools/bench.sh" --runs "$bad" 2>&1)
  [ $? -eq 2 ] || { echo "FAILED: --runs $bad must be refused"; fails=$((fails + 1)); }
  check "--runs $bad says why" "--runs takes a count from 1 to 100" "$out"
done

[ "$fails" -eq 0 ] && echo "bench.sh: all checks passed"
exit $((fails > 0))
