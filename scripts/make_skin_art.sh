#!/usr/bin/env bash
# Redraws the default skins (pictures and .skn files) into resources/lang.
# Usage: scripts/make_skin_art.sh [build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
cmake -S "$root" -B "$dir" -G Ninja >/dev/null
cmake --build "$dir" --target skinart
QT_QPA_PLATFORM=offscreen "$dir/tools/skinart/skinart" "$root/resources/lang"
