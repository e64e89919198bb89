#!/usr/bin/env bash
# Installs what is missing, checks that every C++ source is formatted as
# .clang-format says, builds and runs every test: a normal build with warnings
# as errors, then the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, then a short run of each fuzz target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

echo "== format check"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

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
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCAM_FUZZ=ON -DCAM_BENCH=OFF >/dev/null
  targets=$(for s in fuzz/fuzz_*.cpp; do basename "$s" .cpp; done)
  # shellcheck disable=SC2086
  cmake --build build-fuzz -j "$(nproc)" --target $targets
  for f in build-fuzz/fuzz/fuzz_*; do
    [ -f "$f" ] && [ -x "$f" ] || continue
    name=$(basename "$f")
    # New inputs go to the first folder (the build's), the seeds stay as they are.
    work="build-fuzz/corpus-work/$name"
    mkdir -p "$work"
    seeds=()
    [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
    if ! "$f" -max_total_time=5 -rss_limit_mb=2048 "$work" "${seeds[@]}" >"build-fuzz/$name.log" 2>&1; then
      echo "fuzz target $name failed:"
      tail -40 "build-fuzz/$name.log"
      exit 1
    fi
    echo "$name: no failure in 5 s"
  done
fi
