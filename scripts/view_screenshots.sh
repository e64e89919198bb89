#!/usr/bin/env bash
# Grabs the video windows with four simulated cameras into docs/screenshots/.
# Usage: scripts/view_screenshots.sh [build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target viewshots camsim camclient resources >/dev/null
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT
cp -r "$root/resources/." "$work/"
"$build/tools/camsim/camsim" --cameras 4 --port 0 --quiet --port-file "$work/ports" >/dev/null 2>&1 &
sim=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.1; done
names=("" "Front door" "Yard" "Garage" "Hall")
{
  while read -r k address port; do
    printf '[Cam%s]\nEnable=True\nAssign=True\nUserName=admin\nPassword=admin\nIPAddress=%s\nPort=%s\n' \
      "$k" "$address" "$port"
    printf 'ServerName=%s\nServerModel=PT-100\nMacAddress=0.17.34.51.68.%s\nPT=True\n' \
      "${names[$k]}" "$((84 + k))"
  done < "$work/ports"
} > "$work/main.ini"
CAM_DISCOVERY_TARGETS=127.255.255.255 QT_QPA_PLATFORM=offscreen "$build/tools/viewshots/viewshots" "$work" "$root/docs/screenshots"
