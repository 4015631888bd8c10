#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (CTest): unit tests,
# GL tests and end-to-end tests under a private Xvfb + openbox, then the unit
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh --test
scripts/build.sh build
cmake -S . -B build-asan -DZINDLE_SANITIZE=ON -DZINDLE_DATA=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j"$(nproc)" --target unit_tests

work=$(mktemp -d /tmp/zindle-test.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own unless one is given; a window manager so a window can
# take focus (the game pauses while unfocused).
if [[ -z "${DISPLAY:-}" ]]; then
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  exec 3>&-
  for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$work/display")"
  openbox >"$work/openbox.log" 2>&1 &
  pids+=($!)
  sleep 0.5
fi

# Sound goes to OpenAL Soft's wave writer; tests that listen write their own
# configuration and point ALSOFT_CONF at it.
cat >"$work/alsoft.conf" <<CONF
[general]
drivers = wave
channels = mono
sample-type = int16
dither = false
[wave]
file = $work/default-capture.wav
CONF
export ALSOFT_CONF="$work/alsoft.conf"
export ZINDLE_TEST_TMP="$work"

echo "== tests (display $DISPLAY)"
(cd build && ctest --output-on-failure -j"$(nproc)")
echo "== unit tests under AddressSanitizer + UndefinedBehaviorSanitizer"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -L unit -j"$(nproc)")
echo "== all tests passed"
