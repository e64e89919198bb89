#!/usr/bin/env bash
# Installs what is missing, builds and starts the client.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh build
exec build/camclient "$@"
