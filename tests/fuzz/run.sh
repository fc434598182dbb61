#!/usr/bin/env bash
# Builds the fuzz targets with clang, replays each seed corpus in tests/fuzz/corpus/, then
# fuzzes each target for SECONDS. A crash, a sanitizer report or a hang fails the run; the
# input that caused it is left in BUILD/findings/. New inputs found while fuzzing collect in
# BUILD/corpus/, not in the repository.
#   run.sh SOURCE-TOP BUILD-DIR [SECONDS]
set -euo pipefail
top=$1
build=$2
seconds=${3:-60}
targets=(frame reply valuerange databases portlists devsim translation session linemessage lease)

CC=clang CXX=clang++ cmake -S "$top/tests/fuzz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS="detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$top/tests/sanitizers/lsan.supp:print_suppressions=0"
mkdir -p "$build/findings" "$build/logs"

for t in "${targets[@]}"; do
  seeds="$top/tests/fuzz/corpus/$t"
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  cp -n "$seeds"/* "$corpus"/
  log="$build/logs/$t.log"
  if ! "$build/fuzz_$t" -runs=0 -artifact_prefix="$build/findings/$t-" "$seeds" >"$log" 2>&1; then
    cat "$log"
    echo "fuzz_$t: the seed corpus does not replay cleanly" >&2
    exit 1
  fi
  [ "$seconds" -gt 0 ] || { echo "fuzz_$t: seed corpus replayed"; continue; }
  if ! "$build/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/findings/$t-" "$corpus" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz_$t: finding in $build/findings/" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "fuzz_$t: ${runs:-?} executions in ${seconds} s without a finding"
done
