#!/usr/bin/env bash
# Grabs the camera maintenance dialogs (address change, administrator check,
# firmware update, web page) with a simulated camera into docs/screenshots/.
# Usage: scripts/maintenance_screenshots.sh [build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target maintshots camsim resources >/dev/null
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT
cp -r "$root/resources/." "$work/"
cat >"$work/cams.ini" <<INI
[camera1]
address=127.0.0.2
port=0
name=Garden
user=admin
password=admin
tftp_port=0
reboot_ms=3000
INI
"$build/tools/camsim/camsim" --config "$work/cams.ini" --discovery-port 0 >"$work/camsim.log" 2>&1 &
sim=$!
for _ in $(seq 100); do grep -q "camsim: ready" "$work/camsim.log" && break; sleep 0.1; done
port=$(sed -n 's/.*camera 1 ".*" at [0-9.]*:\([0-9]*\).*/\1/p' "$work/camsim.log")
discovery=$(sed -n 's/.*discovery on UDP port \([0-9]*\).*/\1/p' "$work/camsim.log")
tftp=$(sed -n 's/.*firmware (TFTP) at [0-9.]*:\([0-9]*\).*/\1/p' "$work/camsim.log")
CAM_DISCOVERY_TARGETS=127.255.255.255 CAM_DISCOVERY_PORT=$discovery QT_QPA_PLATFORM=offscreen \
  "$build/tools/maintshots/maintshots" "$work" "$root/docs/screenshots" 127.0.0.2 "$port" "$tftp"
