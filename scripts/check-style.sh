#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The code's habits, each failing the run: spelling (codespell, .codespellrc), clang-tidy's
# checks of .clang-tidy over src/ (it needs build/compile_commands.json, which the dev preset
# writes), and, once the tree has been formatted (.clang-format-applied exists), clang-format.
#   scripts/check-style.sh [BUILD-DIR]     (default: build)
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
status=0

echo "== codespell"
git ls-files -z | xargs -0 codespell || status=1

echo "== clang-tidy (src/)"
if [ -f "$build/compile_commands.json" ]; then
  # Only the program's own sources; two at a time on a shared machine.
  run-clang-tidy -quiet -j 2 -p "$build" "$PWD/src/" > "$build/clang-tidy.log" 2>&1
  if grep -E "(warning|error): " "$build/clang-tidy.log"; then
    status=1
  fi
else
  echo "no $build/compile_commands.json: configure with the dev preset first" >&2
  status=1
fi

if [ -f .clang-format-applied ]; then
  echo "== clang-format"
  git ls-files -z 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' \
    | xargs -0 clang-format --dry-run --Werror || status=1
fi
exit $status
