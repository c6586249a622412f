#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need,
# asking apt only when one is missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev libqt6svg6
  libsqlite3-dev
  libssl-dev openssl qtkeychain-qt6-dev
  libgtest-dev libgmock-dev googletest
  python3 python3-aiosmtpd postfix
  clang-14 libclang-rt-14-dev
  xvfb imagemagick x11-utils fonts-dejavu-core
  dbus gnome-keyring
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  # Postfix is only wanted for its smtp-sink test server; it must not ask questions.
  echo "postfix postfix/main_mailer_type select No configuration" | $SUDO debconf-set-selections
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
