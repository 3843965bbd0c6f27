#!/usr/bin/env bash
# Fails when a source folder includes a folder above its floor, or a folder
# beside it on the same floor:
# engine <- resources <- framework <- values <- grid <- documents <-
# writes, testcenter <- display <- app.
# A folder's own headers are always fine. Above the engine only its public
# headers may be included: the lines' operations and their types, never the
# transports, the worker or the state behind them.
set -euo pipefail
src=$(cd "$(dirname "$0")/../src" && pwd)
declare -A level=([engine]=0 [resources]=1 [framework]=2 [values]=3 [grid]=4
                  [documents]=5 [writes]=6 [testcenter]=6 [display]=7 [app]=8)
status=0
for folder in "${!level[@]}"; do
  [ -d "$src/$folder" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    file=${file#"$src"/}
    target=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$hit")
    [ -n "${level[$target]:-}" ] || continue
    [ "$target" != "$folder" ] || continue
    if [ "${level[$target]}" -ge "${level[$folder]}" ]; then
      if [ "${level[$target]}" -eq "${level[$folder]}" ]; then
        echo "sideways include: $file includes $target/"
      else
        echo "upward include: $file includes $target/"
      fi
      status=1
    fi
  done < <(grep -HE '^#include "[a-z_]+/' "$src/$folder"/*.h "$src/$folder"/*.cpp 2>/dev/null || true)
done
public_engine='engine\.h|modbus_line\.h|engine_types\.h|slot_timing\.h|status_name\.h|device_identity\.h|engine_trace\.h'
while IFS= read -r hit; do
  file=${hit%%:*}
  echo "engine internals: ${file#"$src"/} includes $(sed -E 's/.*#include "(engine\/[a-z_]+\.h)".*/\1/' <<<"$hit")"
  status=1
done < <(grep -rHE '^#include "engine/' "$src" --include=*.h --include=*.cpp | grep -v "^$src/engine/" |
         grep -vE "#include \"engine/($public_engine)\"" || true)
[ $status -eq 0 ] && echo "layers: no upward or sideways include, no engine internals above the engine"
exit $status
