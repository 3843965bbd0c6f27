#!/usr/bin/env bash
# Fails when a source folder includes a folder above its floor, or a folder
# beside it on the same floor:
# engine <- resources <- framework <- values <- grid <- documents <-
# writes, testcenter <- display <- app.
# A folder's own headers are always fine.
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
[ $status -eq 0 ] && echo "layers: no upward or sideways include"
exit $status
