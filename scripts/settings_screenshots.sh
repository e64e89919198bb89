#!/usr/bin/env bash
# Grabs every settings dialog with a sample configuration into docs/screenshots/.
# Usage: scripts/settings_screenshots.sh [build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target settingsshots resources >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/resources/." "$work/"
QT_QPA_PLATFORM=offscreen "$build/tools/settingsshots/settingsshots" "$work" "$root/docs/screenshots"
