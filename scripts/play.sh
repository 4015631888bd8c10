#!/usr/bin/env bash
# Installs what is missing, builds, and runs Zindle Flaps from build/, where
# its settings, save file and screenshots are kept.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: run this from a desktop session (X11, or Wayland with XWayland)." >&2
  exit 1
fi
exec ./build/zindle-flaps
