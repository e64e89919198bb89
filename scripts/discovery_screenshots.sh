#!/usr/bin/env bash
# Grabs the search window, the log-in dialog and a camera added to an empty
# slot, with the demo's simulated cameras, into docs/screenshots/.
# Usage: scripts/discovery_screenshots.sh [build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target discoveryshots camsim resources >/dev/null
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT
cp -r "$root/resources/." "$work/"
"$build/tools/camsim/camsim" --config "$root/tools/camsim/demo.ini" --quiet >"$work/camsim.log" 2>&1 &
sim=$!
for _ in $(seq 100); do grep -q "camsim: ready" "$work/camsim.log" && break; sleep 0.1; done
CAM_DISCOVERY_TARGETS=127.255.255.255 QT_QPA_PLATFORM=offscreen \
  "$build/tools/discoveryshots/discoveryshots" "$work" "$root/docs/screenshots" Garden
