#!/usr/bin/env bash
# Fails when a source folder includes a folder above its layer:
# engine <- resources <- framework <- values <- display/grid/documents/writes/testcenter
# <- app.
set -euo pipefail
src=$(cd "$(dirname "$0")/../src" && pwd)
declare -A level=([engine]=0 [resources]=1 [framework]=2 [values]=3 [display]=4 [grid]=4
                  [documents]=4 [writes]=4 [testcenter]=4 [app]=5)
status=0
for folder in "${!level[@]}"; do
  [ -d "$src/$folder" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    target=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$hit")
    [ -n "${level[$target]:-}" ] || continue
    if [ "${level[$target]}" -gt "${level[$folder]}" ]; then
      echo "upward include: ${file#"$src"/} includes $target/"
      status=1
    fi
  done < <(grep -HE '^#include "[a-z_]+/' "$src/$folder"/*.h "$src/$folder"/*.cpp 2>/dev/null || true)
done
[ $status -eq 0 ] && echo "layers: no upward include"
exit $status
