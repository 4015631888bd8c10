#!/usr/bin/env bash
# Prints the figures of the benchmark programs under bench/: the clean build
# time, then each program's own figures, run on a private Xvfb + openbox in a
# fresh build directory. Run by hand; nothing here passes or fails on a figure.
# Usage: bash scripts/bench.sh [program...]   (default: every bench program)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/display.sh

scripts/install-deps.sh --test
work=$(mktemp -d /tmp/zindle-bench.XXXXXX)
cleanup() {
  stop_display
  rm -rf "$work"
}
trap cleanup EXIT

start=$(date +%s.%N)
cmake -S . -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$work/build" -j"$(nproc)" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
end=$(date +%s.%N)
printf "clean build (RelWithDebInfo, %d jobs, with data and tests): %.1f s\n" "$(nproc)" "$(awk "BEGIN { print $end - $start }")"

start_display "$work"
# Sound goes nowhere audible but the device is real, as in play.
cat >"$work/alsoft.conf" <<CONF
[general]
drivers = null
CONF
export ALSOFT_CONF="$work/alsoft.conf"

programs=("$@")
if [[ ${#programs[@]} -eq 0 ]]; then
  for p in "$work/build/bench"/*; do
    [[ -f "$p" && -x "$p" ]] && programs+=("$(basename "$p")")
  done
fi
for p in "${programs[@]}"; do
  echo "== $p"
  (cd "$work" && "$work/build/bench/$p")
done
