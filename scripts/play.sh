#!/usr/bin/env bash
# Sets up, builds and starts the game in the folder that holds its data files.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build >/dev/null
cmake --build build -j "$(nproc)"
if [ -x build/orvia ]; then
  cd build/game && exec ../orvia
fi
echo "The map library is built; the game itself (build/orvia, run from build/game) comes next."
