#!/usr/bin/env bash
# Grabs the control panel with two simulated cameras into docs/screenshots/.
# Usage: scripts/panel_screenshots.sh [build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target panelshots camsim camclient resources >/dev/null
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT
cp -r "$root/resources/." "$work/"
"$build/tools/camsim/camsim" --cameras 2 --port 0 --quiet --port-file "$work/ports" >/dev/null 2>&1 &
sim=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.1; done
{
  n=0
  while read -r k address port; do
    n=$((n + 1))
    enable=False; [ "$k" = 1 ] && enable=True
    printf '[Cam%s]\nEnable=%s\nAssign=True\nUserName=admin\nPassword=admin\nIPAddress=%s\nPort=%s\n' \
      "$k" "$enable" "$address" "$port"
    printf 'ServerName=%s\nServerLocation=%s\nServerModel=PT-100\nFWVersion=1.20\nHWVersion=1.00\n' \
      "$( [ "$k" = 1 ] && echo 'Front door' || echo 'Yard')" "$( [ "$k" = 1 ] && echo 'Entrance' || echo 'Back yard')"
    printf 'ROMVersion=1.05\nMacAddress=0.17.34.51.68.%s\nPT=True\n' "$((84 + k))"
  done < "$work/ports"
} > "$work/main.ini"
CAM_DISCOVERY_TARGETS=127.255.255.255 QT_QPA_PLATFORM=offscreen "$build/tools/panelshots/panelshots" "$work" "$root/docs/screenshots"
