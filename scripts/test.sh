#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: the plain build, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the fuzz targets for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

scripts/setup.sh

# The tests are asked for: a folder configured before as a lean install build would keep them
# off, and the suite would pass having run nothing.
build() { # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -DBUILD_TESTING=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

echo "== plain build and tests"
build build
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
build build-sanitize -DORVIA_SANITIZE=ON -DORVIA_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

if [ -x tests/fuzz/run.sh ]; then
  echo "== fuzzing"
  CXX=clang++ build build-fuzz -DORVIA_FUZZ=ON -DORVIA_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
  tests/fuzz/run.sh build-fuzz
fi
