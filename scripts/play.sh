#!/usr/bin/env bash
# Sets up, builds the game and all the level tools, and starts the game in the folder that holds
# its data files, with this script's arguments: scripts/play.sh --window my.tmx
set -euo pipefail

# Options whose value is no file; every other argument that is not an option is a path.
readonly VALUE_OPTIONS=(--scale --start --speed)

# The game runs in build/game: a relative path among the arguments (the level, or the file an
# option names) is made absolute from the folder the script was started in.
game_arguments() {
  local start_folder=$1 value_next=false arg
  shift
  for arg in "$@"; do
    if $value_next || [[ -z $arg || $arg == -* || $arg == /* ]]; then
      printf '%s\0' "$arg"
    else
      printf '%s\0' "$start_folder/$arg"
    fi
    case " ${VALUE_OPTIONS[*]} " in
      *" $arg "*) value_next=true ;;
      *) value_next=false ;;
    esac
  done
}

mapfile -d '' arguments < <(game_arguments "$PWD" "$@")
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build >/dev/null
cmake --build build -j "$(nproc)" \
  --target orvia gfxdat level sounds levelc mapinspect maprender mapexport
cd build/game
exec ../orvia "${arguments[@]}"
