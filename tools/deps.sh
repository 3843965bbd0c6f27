#!/usr/bin/env bash
# Installs the Debian packages of tools/packages.txt that are missing, then
# checks that the peers can start from those packages alone (check_deps.py),
# so that a package present here only by chance cannot hide a missing entry.
# Idempotent and non-interactive.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(grep -v '^\s*#' "$here/packages.txt" | sed '/^\s*$/d')
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if ! out=$(/usr/bin/python3 "$here/check_deps.py"); then
  echo "$out" >&2
  exit 1
fi
