#!/usr/bin/env bash
# Installs what is missing, builds Zentiq (Release, build/run) and opens it
# connected to a demo slave: tools/demo_slave.py serves Modbus/TCP on
# 127.0.0.1:5020 in the background (it ends with Zentiq), and a poll window
# shows its holding registers 0..9 live. Zentiq keeps its settings for this
# run in build/run/settings (written afresh each time), never in the user's
# own store. Arguments are passed to Zentiq.
#
# Without a display (no DISPLAY or WAYLAND_DISPLAY) it says so and runs the
# console demo instead (the engine polling the demo slave in RTU over a pty).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/deps.sh
dir=build/run
port=${ZENTIQ_DEMO_PORT:-5020}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat <<'MSG'
No display found (neither DISPLAY nor WAYLAND_DISPLAY is set), so Zentiq's
windows cannot open here. To run it on a virtual display:
    xvfb-run -a tools/run.sh
or take a picture of it with tools/screenshot.sh. Running the console demo instead.

MSG
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTIQ_ENGINE_ONLY=ON \
    -DZENTIQ_BENCH=OFF >/dev/null
  cmake --build "$dir" -j "$(nproc)" --target zentiq_demo
  exec "$dir/src/zentiq_demo" --script "$root/tools/demo_slave.py"
fi

# The demo slave's port must be free; say who holds it when it is not.
port_holder() {
  if command -v ss >/dev/null 2>&1; then
    ss -Hltnp "sport = :$port" 2>/dev/null | sed -n 's/.*users:((\("[^"]*"\),pid=\([0-9]*\).*/\1 (pid \2)/p' | head -1
  fi
}
if ! /usr/bin/python3 -c 'import socket, sys
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1])))' "$port" 2>/dev/null; then
  holder=$(port_holder)
  echo "Port $port on 127.0.0.1 is in use${holder:+ by $holder}, so the demo slave cannot serve there." >&2
  echo "Free it, or choose another port: ZENTIQ_DEMO_PORT=5021 tools/run.sh" >&2
  exit 1
fi

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTIQ_ENGINE_ONLY=OFF \
  -DZENTIQ_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target zentiq zentiq_demo

# A settings store of its own: connect to the demo slave at start-up, and a
# new poll window reads holding registers 0..9 of slave 1 every second.
settings="$root/$dir/settings"
mkdir -p "$settings/Zentiq"
cat >"$settings/Zentiq/Zentiq.ini" <<INI
[CommSetup]
Serial=1
IPAddress=127.0.0.1
ServicePort=$port
AutoEnable=1
Timeout=1000
ConnectionTimeout=3000
DelayBetweenPolls=10

[PollDefinition]
Address=0
FunctionValue=3
Length=10
ScanRate=1000
SlaveID=1
bEnable=1
INI

# The slave reads nothing from its stdin but ends when it closes, so it goes
# when this script goes, whichever way that happens. Its descriptors are kept
# in plain variables: bash unsets the coproc's array as soon as it ends.
coproc SLAVE { exec /usr/bin/python3 "$root/tools/demo_slave.py" --tcp "$port" --exit-on-stdin-eof; }
slave_pid=$SLAVE_PID
slave_out=${SLAVE[0]}
slave_in=${SLAVE[1]}
cleanup() {
  if [ -e "/proc/$$/fd/$slave_in" ]; then exec {slave_in}>&-; fi
  kill "$slave_pid" 2>/dev/null || true
  wait "$slave_pid" 2>/dev/null || true
}
trap cleanup EXIT
ready=""
if ! read -r -t 30 ready <&"$slave_out" 2>/dev/null || [ "${ready%% *}" != "READY" ]; then
  echo "The demo slave did not start on 127.0.0.1:$port (its message, if any, is above)." >&2
  exit 1
fi
echo "Demo slave serving Modbus/TCP on 127.0.0.1:$port; starting Zentiq."
status=0
"$dir/src/zentiq" --settings-dir "$settings" "$@" || status=$?
exit "$status"
