#!/usr/bin/env bash
# Sets up, builds the game and the level tools, and starts the game in the folder that holds its
# data files.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build >/dev/null
cmake --build build -j "$(nproc)" --target orvia gfxdat level sounds levelc mapinspect maprender
cd build/game
exec ../orvia
