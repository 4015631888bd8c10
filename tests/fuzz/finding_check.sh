#!/usr/bin/env bash
# Shows that a fuzz run reports a finding: the planted fault, given the input
# that overruns its buffer (KIND crash) or the one that never returns (KIND
# hang), must fail the run, name the sanitizer's or libFuzzer's error and
# print the input that found it.
# Usage: finding_check.sh RUN_TARGET BINARY SEED_DIR OUT_DIR KIND
set -uo pipefail
run=$1 bin=$2 seeds=$3 out=$4 kind=$5
case $kind in
  crash) error="heap-buffer-overflow" artifact=crash bytes="4b 55 56 4f 10" ;;
  hang) error="libFuzzer: timeout" artifact=timeout bytes="4b 55 56 4f 48 41 4e 47" ;;
  *) echo "finding check: unknown kind $kind"; exit 2 ;;
esac
output=$(FUZZ_SECONDS=10 bash "$run" "$bin" "$seeds" "$out" 2>&1)
status=$?
fail() {
  echo "finding check: $1"
  echo "$output"
  exit 1
}
[[ $status -ne 0 ]] || fail "the run of the planted $kind passed"
grep -q "$error" <<<"$output" || fail "no $error in the report"
grep -q "^failing input: $out/$artifact-" <<<"$output" || fail "no failing input named"
grep -q "^0000000 $bytes" <<<"$output" || fail "the failing input's bytes were not printed"
echo "finding check: the planted $kind failed its run and its input was printed"
