#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets (the fuzz preset: clang, libFuzzer, ASan, UBSan) in build-fuzz
# and runs each for the given number of seconds, starting from its committed seed corpus.
# Prints the executions and time per target; a fault found stops with a failure and
# leaves the input that shows it in build-fuzz/artifacts/.
# Usage: scripts/fuzz.sh SECONDS [TARGET...]   (targets: replies assembly loaders csv)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?seconds per target}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(replies assembly loaders csv)

cmake --preset fuzz > /dev/null
cmake --build --preset fuzz

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p build-fuzz/artifacts
status=0
for target in "${targets[@]}"; do
  # New inputs go to the scratch corpus in the build folder; the seeds stay as committed.
  work=build-fuzz/corpus/$target
  mkdir -p "$work"
  log=build-fuzz/fuzz-$target.log
  started=$SECONDS
  if build-fuzz/bin/fuzz_"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/"$target"- \
       "$work" tests/fuzz/corpus/"$target" > "$log" 2>&1; then
    result=ok
  else
    result=FAULT
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  printf 'fuzz %-9s %s: %s executions in %s s\n' "$target" "$result" "${runs:-?}" $((SECONDS - started))
  [ "$result" = ok ] || tail -n 40 "$log"
done
exit $status
