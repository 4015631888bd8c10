#!/usr/bin/env bash
# Installs what is missing, builds, and runs Zindle Flaps.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
exec ./build/zindle-flaps
