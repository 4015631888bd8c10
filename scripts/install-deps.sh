#!/usr/bin/env bash
# Installs the Debian 12 packages Zindle Flaps needs to build, play and test.
# Usage: scripts/install-deps.sh [--test]   (--test adds the headless test tools
# and fetches the decoders' Debian sources for the fuzz build)
set -euo pipefail

BUILD_PKGS=(g++ cmake make pkg-config libglfw3-dev libgl1-mesa-dev liblodepng-dev libstb-dev
            libopenal-dev libopenal1 libvorbis-dev libsqlite3-dev libboost-dev
            libgtest-dev fonts-dejavu-core)
# clang's own packages leave out the sanitizer and libFuzzer runtimes (only
# recommended), so libclang-rt-dev is named for the fuzz targets; apt-get
# source needs dpkg-dev to unpack the decoders' sources. nginx is for the test
# that runs the shipped proxy configuration on a private nginx of its own;
# whether Debian also starts the system service does not matter to it.
TEST_PKGS=(xvfb xauth xdotool openbox wmctrl x11-utils sox clang libclang-rt-dev dpkg-dev nginx)

pkgs=("${BUILD_PKGS[@]}")
if [[ "${1:-}" == "--test" ]]; then pkgs+=("${TEST_PKGS[@]}"); fi

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if [[ "${1:-}" == "--test" ]]; then "$(dirname "$0")/fuzz-sources.sh"; fi
