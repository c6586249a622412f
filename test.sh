#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once under AddressSanitizer and
# UndefinedBehaviorSanitizer, then fuzzes each fuzz target for a minute, then runs the
# tests again in a normal build.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_suite() { # build-dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" > /dev/null
  cmake --build "$dir" -j 2
  (cd "$dir" && ctest --output-on-failure -j 2 --timeout 300)
}

status=0
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DPELMAR_SANITIZE=ON || status=1
./scripts/fuzz.sh 60 || status=1
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo || status=1
exit $status
