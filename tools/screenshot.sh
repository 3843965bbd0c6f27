#!/usr/bin/env bash
# Takes a picture of Zentiq's main window: builds it (Release, build/run),
# starts tools/demo_slave.py on a free loopback port, runs Zentiq on a virtual
# display (xvfb-run) connected to it with one poll window, and writes the PNG
# (default docs/screenshot.png; docs/screenshot-en.png with --lang en; with
# --dark, in the program's dark palette, -dark before the extension).
# Usage: tools/screenshot.sh [--lang zh|en] [--dark] [OUT.png] [DELAY_MS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
lang=zh
dark=()
while [ $# -gt 0 ]; do
  case "$1" in
    --lang) lang=${2:?--lang wants zh or en}; shift 2 ;;
    --lang=*) lang=${1#--lang=}; shift ;;
    --dark) dark=(--dark); shift ;;
    *) break ;;
  esac
done
case "$lang" in
  zh) default_out=docs/screenshot ;;
  en) default_out=docs/screenshot-en ;;
  *) echo "--lang wants zh or en, not \"$lang\"" >&2; exit 2 ;;
esac
if [ ${#dark[@]} -gt 0 ]; then default_out+=-dark; fi
default_out+=.png
out=$(realpath -m "${1:-$default_out}")
delay=${2:-5000}
tools/deps.sh
dir=build/run
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTIQ_ENGINE_ONLY=OFF \
  -DZENTIQ_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target zentiq

work=$(mktemp -d)
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
mkdir -p "$work/Zentiq"
cat >"$work/Zentiq/Zentiq.ini" <<INI
[CommSetup]
Serial=1
IPAddress=127.0.0.1
ServicePort=$port
AutoEnable=1

[PollDefinition]
Address=0
FunctionValue=3
Length=10
ScanRate=500
SlaveID=1
bEnable=1

[Position]
Cx=980
Cy=640
x=0
y=0
INI

coproc SLAVE { exec /usr/bin/python3 "$root/tools/demo_slave.py" --tcp "$port" --exit-on-stdin-eof; }
slave_pid=$SLAVE_PID
cleanup() {
  exec {SLAVE[1]}>&- 2>/dev/null || true
  kill "$slave_pid" 2>/dev/null || true
  wait "$slave_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
ready=""
if ! read -r -t 30 ready <&"${SLAVE[0]}" || [ "${ready%% *}" != "READY" ]; then
  echo "The demo slave did not start." >&2
  exit 1
fi

mkdir -p "$(dirname "$out")"
# The main window is grabbed by Zentiq itself once the delay has passed.
xvfb-run -a -s "-screen 0 1024x768x24" \
  "$root/$dir/src/zentiq" --settings-dir "$work" --lang "$lang" ${dark[@]+"${dark[@]}"} --screenshot "$out" --screenshot-delay "$delay"
echo "Wrote $out"
