#!/usr/bin/env bash
# Builds the benchmarks (Release, in build/bench) and runs every bench_*
# program three times (--runs N for another count), printing their figures.
# All programs run once before any runs again, so that a spell of load on
# the machine spreads over the benches instead of hitting one of them three
# times. At the end one table: for each goal line the benches printed, the
# figure of every run, their median, the goal and whether the median meets
# it. A bench that fails is reported and the others still run.
#
# --busy N measures on a busy machine: only the benches that take --busy
# (their source says "[--busy N]") run, each with N busy loops beside it,
# and print the goal lines of that case.
#
#   tools/bench.sh [--runs N] [--busy N] [arguments passed to each program]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

runs=3
busy=
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --busy) [ $# -ge 2 ] || { echo "--busy needs a number" >&2; exit 2; }; busy=$2; shift 2 ;;
    --runs) [ $# -ge 2 ] || { echo "--runs needs a number" >&2; exit 2; }; runs=$2; shift 2 ;;
    --runs=*) runs=${1#--runs=}; shift ;;
    *) args+=("$1"); shift ;;
  esac
done
if ! [[ "$runs" =~ ^[0-9]+$ ]] || [ "$runs" -lt 1 ] || [ "$runs" -gt 100 ]; then
  echo "--runs takes a count from 1 to 100, not '$runs'" >&2
  exit 2
fi

if [ -n "$busy" ]; then
  if ! [[ "$busy" =~ ^[0-9]+$ ]] || [ "$busy" -gt 16 ]; then
    echo "--busy takes a count from 0 to 16, not '$busy'" >&2
    exit 2
  fi
  args+=(--busy "$busy")
fi

tools/deps.sh
dir=build/bench

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTIQ_ENGINE_ONLY=OFF -DZENTIQ_BENCH=ON >/dev/null
targets=()
for src in bench/engine/*.cpp bench/ui/*.cpp; do
  [ -e "$src" ] || continue
  if [ -n "$busy" ] && ! grep -q -- '\[--busy N\]' "$src"; then continue; fi
  targets+=("bench_$(basename "$src" .cpp)")
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "no benchmarks found under bench/"
  exit 0
fi
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}" zentiq_libmodbus_slave zentiq_wire_slave

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# One line per goal figure: run, bench, then the goal line as printed.
goals="$work/goals"
: >"$goals"
failures=()

status=0
for ((run = 1; run <= runs; run++)); do
  for t in "${targets[@]}"; do
    echo "== $t (run $run of $runs)"
    # A hung benchmark must not hold the run: each gets at most five minutes.
    rc=0
    QT_QPA_PLATFORM=offscreen timeout 300 "$dir/bench/$t" ${args[@]+"${args[@]}"} | tee "$work/out" || rc=$?
    if [ "$rc" -ne 0 ]; then
      echo "$t failed (exit status $rc)"
      failures+=("$t run $run: exit status $rc")
      status=1
    fi
    awk -v run="$run" -v bench="$t" '/^goal [^ ]+: /{ print run, bench, $0 }' "$work/out" >>"$goals"
    echo
  done
done

echo "== goals over $runs run(s) (met/MISSED judges the median)"
python3 - "$runs" "$goals" <<'EOF'
import re, statistics, sys

runs = int(sys.argv[1])
line_re = re.compile(r"^(\d+) (\S+) goal (\S+): (\S+) (.*?) ?\(goal (>=|<=) (\S+)\) (met|MISSED)$")
rows = {}  # name -> {"bench", "unit", "op", "target", "figures": {run: figure}}
for text in open(sys.argv[2], encoding="utf-8", errors="replace"):
    m = line_re.match(text.rstrip("\n"))
    if not m:
        continue
    run, bench, name, figure, unit, op, target, _ = m.groups()
    try:
        value, goal = float(figure), float(target)
    except ValueError:
        continue
    row = rows.setdefault(name, {"bench": bench, "unit": unit.strip(), "op": op, "target": goal, "figures": {}})
    row["figures"].setdefault(int(run), value)

if not rows:
    print("no goal lines were printed")
    sys.exit(0)

def number(v):
    return f"{v:.3f}"

header = ["goal"] + [f"run {r}" for r in range(1, runs + 1)] + ["median", "goal", "", "bench"]
table = []
missed = 0
for name, row in rows.items():
    figures = [row["figures"].get(r) for r in range(1, runs + 1)]
    present = [f for f in figures if f is not None]
    median = statistics.median(present)
    met = median >= row["target"] if row["op"] == ">=" else median <= row["target"]
    missed += not met
    unit = f" {row['unit']}" if row["unit"] else ""
    table.append([name] + [number(f) if f is not None else "-" for f in figures] +
                 [number(median), f"{row['op']} {number(row['target'])}{unit}", "met" if met else "MISSED",
                  row["bench"]])

widths = [max(len(r[i]) for r in [header] + table) for i in range(len(header))]
numeric = set(range(1, runs + 2))
def show(cells):
    print("  ".join(c.rjust(w) if i in numeric else c.ljust(w) for i, (c, w) in enumerate(zip(cells, widths))).rstrip())
show(header)
for r in table:
    show(r)
print(f"{len(table) - missed} of {len(table)} goals met; '-' marks a run that printed no figure")
EOF
if [ ${#failures[@]} -gt 0 ]; then
  echo "failed:"
  printf '  %s\n' "${failures[@]}"
fi
exit $status
