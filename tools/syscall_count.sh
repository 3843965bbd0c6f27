#!/usr/bin/env bash
# System calls per transaction of the engine and of the libmodbus client in
# bench_rtu_throughput: runs the bench under strace (one file per thread)
# and, for each side, prints the median count of system calls from one
# request written to the port to the next, and what one such transaction
# calls. The slave and socat are children of the bench and are left out.
#
#   tools/syscall_count.sh [bench program, default build/bench/bench/bench_rtu_throughput]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench=${1:-$root/build/bench/bench/bench_rtu_throughput}
command -v strace >/dev/null || { echo "syscall_count: strace is needed (apt-get install strace)"; exit 1; }
[ -x "$bench" ] || { echo "syscall_count: no $bench; build it first (see tools/bench.sh)"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# A short run: strace slows every call, the counts per transaction stay.
QT_QPA_PLATFORM=offscreen timeout 300 strace -f -ff -o "$dir/t" "$bench" 1 >/dev/null || true

/usr/bin/python3 - "$dir" <<'EOF'
import collections, os, re, statistics, sys

folder = sys.argv[1]
# A read request of holding registers to slave 1 from address 0, as strace
# prints it: write(fd, "\1\3\0\0\0...
request = re.compile(r'^write\(\d+, "\\1\\3\\0\\0\\0')
call = re.compile(r'^([a-z_0-9]+)\(')
files = sorted(os.listdir(folder), key=lambda f: int(f.split('.')[1]))
main_tid = int(files[0].split('.')[1])  # the bench process itself

sides = {'engine': [], 'libmodbus': []}
for name in files:
    with open(os.path.join(folder, name), errors='replace') as f:
        lines = f.read().splitlines()
    tid = int(name.split('.')[1])
    if tid != main_tid and any(l.startswith('execve(') for l in lines):
        continue  # socat or the slave
    calls, current = [], None
    for line in lines:
        m = call.match(line)
        if not m:
            continue
        if request.match(line):
            if current is not None:
                calls.append(current)
            current = []
        if current is not None:
            current.append(m.group(1))
    if calls:
        # The main thread runs the libmodbus client; the engine polls on
        # its worker threads.
        sides['libmodbus' if tid == main_tid else 'engine'].extend(calls)

for side, transactions in sides.items():
    if not transactions:
        print(f'{side}: no transactions found')
        continue
    counts = [len(t) for t in transactions]
    median = statistics.median(counts)
    typical = next(t for t in transactions if len(t) == median) if median == int(median) else transactions[0]
    summary = collections.Counter(typical)
    print(f'{side:10s} {median:5.1f} system calls per transaction ({len(transactions)} transactions): '
          + ', '.join(f'{n} {c}' for c, n in summary.most_common()))
EOF
