#!/usr/bin/env bash
# Runs one fuzz target for $FUZZ_SECONDS (20 when unset) on its seed corpus,
# adding what it finds to a scratch corpus in OUT_DIR, never to the committed
# one. Prints the run's figures; when the target fails, prints the sanitizer's
# report and the failing input (kept in OUT_DIR) and exits non-zero.
# Usage: run_target.sh BINARY SEED_DIR OUT_DIR [libFuzzer options and more seed folders...]
set -uo pipefail
bin=$1 seeds=$2 out=$3
shift 3
# libFuzzer adds what it finds to the first folder it is given, so the
# scratch corpus goes first and every seed folder after it.
options=()
folders=("$seeds")
for arg in "$@"; do
  if [[ $arg == -* ]]; then options+=("$arg"); else folders+=("$arg"); fi
done
seconds=${FUZZ_SECONDS:-20}
name=$(basename "$bin")

rm -rf "$out"
mkdir -p "$out/corpus"
# The target's scratch files live in memory where the machine allows, and go
# with the run even when a finding ends it early.
scratch=$(mktemp -d /dev/shm/zindle-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ZINDLE_TEST_TMP=$scratch
# Reports name their source lines through binutils when llvm-symbolizer is
# not installed.
export ASAN_OPTIONS="allow_addr2line=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="allow_addr2line=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
# Leaks of the libraries' own, each named and explained in the file.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# The game's own log lines go to standard output; closing it keeps the
# report readable. One input that runs past a few seconds is a finding (a
# hang), kept and reported like a crash; the per-input limit stays well
# under the shortest run. A whole run may take a little past its time limit,
# as libFuzzer finishes the input in hand; a hang past that is a failure too.
timeout --kill-after=10 $((seconds + 120)) "$bin" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
  -print_final_stats=1 -close_fd_mask=1 -artifact_prefix="$out/" "${options[@]}" "$out/corpus" "${folders[@]}" \
  >"$out/log" 2>&1
status=$?

figure() { grep -o "stat::$1: *[0-9]*" "$out/log" | tail -1 | grep -o '[0-9]*$'; }
execs=$(figure number_of_executed_units)
rate=$(figure average_exec_per_sec)
# Coverage points: libFuzzer's last progress line ("#N ... cov: X ft: Y ...").
cov=$(grep -o ' cov: [0-9]*' "$out/log" | tail -1 | grep -o '[0-9]*$')
findings=()
for f in "$out"/crash-* "$out"/leak-* "$out"/timeout-* "$out"/oom-*; do
  [[ -e $f ]] && findings+=("$f")
done
printf '%s: %s s, %s executions, %s per second, %s coverage points, %d findings\n' "$name" "$seconds" \
  "${execs:-?}" "${rate:-?}" "${cov:-?}" "${#findings[@]}" | tee "$out/figures"

if [[ $status -ne 0 || ${#findings[@]} -gt 0 ]]; then
  echo "$name FAILED (exit $status); the end of its report:"
  tail -n 60 "$out/log"
  for f in "${findings[@]}"; do
    echo "failing input: $f ($(stat -c %s "$f") bytes); rerun it with: $bin $f"
    od -A d -t x1z -v "$f" | head -n 32
  done
  exit 1
fi
