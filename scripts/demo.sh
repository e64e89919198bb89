#!/usr/bin/env bash
# The demo: installs what is missing, builds, starts four simulated cameras
# on this machine (tools/camsim/demo.ini) and the client beside them. The
# client's camera search stays on this machine. Stops the cameras when the
# client ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh build
build/tools/camsim/camsim --config tools/camsim/demo.ini --quiet &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
CAM_DISCOVERY_TARGETS=127.255.255.255 build/camclient "$@"
