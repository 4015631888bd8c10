#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (CTest): unit tests,
# GL tests and end-to-end tests under a private Xvfb + openbox, then the unit
# tests and the score-server tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then every fuzz target for 20 s on its seed
# corpus. It leaves no process or temporary file behind, and never touches a
# display it did not start beyond running the tests on it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/display.sh

scripts/install-deps.sh --test
echo "== build (build/)"
scripts/build.sh build
echo "== build with sanitizers (build-asan/)"
cmake -S . -B build-asan -DZINDLE_SANITIZE=ON -DZINDLE_DATA=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j"$(nproc)" --target unit_tests server_tests

work=$(mktemp -d /tmp/zindle-test.XXXXXX)
cleanup() {
  stop_display
  rm -rf "$work"
}
trap cleanup EXIT
start_display "$work"

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
echo "== unit and score-server tests under AddressSanitizer + UndefinedBehaviorSanitizer"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -L 'unit|server' -j"$(nproc)")
echo "== fuzz targets (build-fuzz/: clang libFuzzer + AddressSanitizer + UndefinedBehaviorSanitizer), 20 s each"
scripts/fuzz.sh 20
echo "== all tests passed"
