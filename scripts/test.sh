#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: a normal build with
# warnings as errors, then the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, then a short run of each fuzz target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

echo "== build (warnings as errors)"
bash scripts/build.sh build -DCAM_WERROR=ON
echo "== tests"
ctest --test-dir build --output-on-failure -j "$(nproc)"

echo "== build with AddressSanitizer and UndefinedBehaviorSanitizer"
bash scripts/build.sh build-asan -DCAM_WERROR=ON -DCAM_SANITIZE=ON -DCAM_BENCH=OFF
echo "== tests under the sanitizers"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

if [ -d fuzz ] && ls fuzz/*.cpp >/dev/null 2>&1; then
  echo "== fuzz targets (short run)"
  CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DCAM_FUZZ=ON -DCAM_BENCH=OFF
  for f in build-fuzz/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    corpus="fuzz/corpus/$(basename "$f")"
    mkdir -p build-fuzz/corpus-work
    "$f" -max_total_time=5 -rss_limit_mb=2048 ${corpus:+$( [ -d "$corpus" ] && echo "$corpus")} build-fuzz/corpus-work >/dev/null 2>&1 \
      || { echo "fuzz target $f failed"; exit 1; }
    echo "$(basename "$f"): no failure in 5 s"
  done
fi
