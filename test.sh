#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test: once under AddressSanitizer and
# UndefinedBehaviorSanitizer, then fuzzes each fuzz target for half a minute, then runs the
# tests again in a normal build. With --quick only the normal build and its tests run.
# The builds are the presets of CMakePresets.json (dev, asan, fuzz). Both end with the
# style checks (scripts/check-style.sh: codespell, clang-tidy, clang-format once applied).
set -euo pipefail
cd "$(dirname "$0")"
quick=false
case "${1:-}" in
  --quick) quick=true ;;
  "") ;;
  *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
esac
./scripts/install-deps.sh --tests
# Unchanged sources compile once per machine, whatever folder the clone is in.
export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$PWD

run_suite() { # preset
  cmake --preset "$1" > /dev/null
  cmake --build --preset "$1"
  ctest --preset "$1"
}

if $quick; then
  status=0
  run_suite dev || status=1
  ./scripts/check-style.sh build || status=1
  exit $status
fi
status=0
run_suite asan || status=1
./scripts/fuzz.sh 30 || status=1
run_suite dev || status=1
./scripts/check-style.sh build || status=1
exit $status
