#!/usr/bin/env bash
# Shows that a fuzz run reports a finding: the planted fault, given the input
# that overruns its buffer, must fail the run, name the sanitizer's error and
# print the input that found it.
# Usage: finding_check.sh RUN_TARGET BINARY SEED_DIR OUT_DIR
set -uo pipefail
run=$1 bin=$2 seeds=$3 out=$4
output=$(FUZZ_SECONDS=10 bash "$run" "$bin" "$seeds" "$out" 2>&1)
status=$?
fail() {
  echo "finding check: $1"
  echo "$output"
  exit 1
}
[[ $status -ne 0 ]] || fail "the run of the planted fault passed"
grep -q "heap-buffer-overflow" <<<"$output" || fail "no heap-buffer-overflow in the report"
grep -q "^failing input: $out/crash-" <<<"$output" || fail "no failing input named"
grep -q "^0000000 4b 55 56 4f 10" <<<"$output" || fail "the failing input's bytes were not printed"
echo "finding check: the planted fault failed its run and its input was printed"
