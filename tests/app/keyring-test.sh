#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the keyring tests of TEST_APP against a real Secret Service: a private session bus
# (dbus-run-session) with a keyring daemon of its own, unlocked with a throw-away
# password, in a throw-away home. Exits 77 (skipped) where either program is missing.
set -eu
test_app=$1
command -v dbus-run-session >/dev/null && command -v gnome-keyring-daemon >/dev/null || exit 77
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run" PELMAR_KEYRING_TEST=1
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
exec dbus-run-session -- sh -c '
  printf throwaway | gnome-keyring-daemon --unlock --components=secrets >/dev/null
  exec "$0" --gtest_filter="Keyring.*"' "$test_app"
