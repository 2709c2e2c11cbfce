#!/usr/bin/env bash
# Installs every system package the project needs to build, test and play.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  liballegro4-dev allegro4-doc libloadpng4-dev
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-dev
  xvfb xdotool x11-apps x11-utils imagemagick python3 python3-xlib
  desktop-file-utils appstream dpkg-dev file
  libpugixml-dev zlib1g-dev libzstd-dev libpng-dev tiled
  libasound2-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"
