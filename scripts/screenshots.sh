#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's pictures of every window on a virtual X display (Xvfb) into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j 2 --target test_app > /dev/null
mkdir -p docs
export PELMAR_SCREENSHOT_DIR="$PWD/docs" QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/test_app --gtest_filter='Screenshots.*'
