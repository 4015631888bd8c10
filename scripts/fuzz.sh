#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/, with the decoders compiled from
# their Debian sources (fetched first when missing), and runs them all at once, each
# on its seed corpus for the given seconds, with the check that a run fails on
# a finding. Prints each target's figures; fails when any target fails, after
# printing the input that failed (kept under build-fuzz/fuzz-runs/).
# Usage: scripts/fuzz.sh [seconds]   (default 300; the test command runs 20)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is not installed (scripts/install-deps.sh --test installs it)"
  exit 1
fi

# The decoders' Debian sources, fetched once (a quick no-op when they are
# there): without them the targets would link the system libraries and fuzz
# blind inside them. A machine that cannot fetch says so in one line and
# falls back.
scripts/fuzz-sources.sh

# The configure step names the decoders compiled from source, and any that
# falls back to the system library.
configured=$(CC=clang CXX=clang++ cmake -S . -B build-fuzz -DZINDLE_FUZZ=ON -DZINDLE_TESTS=OFF -DZINDLE_DATA=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo 2>&1) || { echo "$configured"; exit 1; }
sed -n 's/^-- fuzz: /fuzz: /p' <<<"$configured"
cmake --build build-fuzz -j"$(nproc)" --target fuzz_targets >build-fuzz/fuzz-build.log 2>&1 ||
  { cat build-fuzz/fuzz-build.log; exit 1; }

# One process per target, all at once: the run takes its seconds once.
runs=$(cd build-fuzz && ctest -N -L fuzz | grep -c 'Test *#')
status=0
(cd build-fuzz && FUZZ_SECONDS=$seconds ctest -L fuzz --output-on-failure -j"$runs") || status=$?
echo "== fuzz figures ($seconds s a target)"
cat build-fuzz/fuzz-runs/*/figures 2>/dev/null | grep -v '^fuzz_planted_fault' || true
exit $status
