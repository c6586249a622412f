#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that are missing, asking apt only when one is.
#   scripts/install-deps.sh          what building and running the program need (./run.sh)
#   scripts/install-deps.sh --tests  also what the tests, fuzzing, screenshots, the install
#                                    checks, packaging and the benchmarks need (./test.sh)
set -euo pipefail

build_packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-svg-dev libqt6svg6
  libsqlite3-dev
  libssl-dev qtkeychain-qt6-dev
)
test_packages=(
  libgtest-dev libgmock-dev googletest               # unit and widget tests
  python3 python3-aiosmtpd postfix                   # real SMTP servers (smtp-sink, a private Postfix)
  sasl2-bin libsasl2-modules                         # its login (saslpasswd2, sasldb)
  clang-14 libclang-rt-14-dev                        # libFuzzer
  xvfb imagemagick x11-utils fonts-dejavu-core       # screenshots on a virtual display
  desktop-file-utils appstream man-db groff-base     # validators of the install tree
  dpkg-dev lintian                                   # cpack -G DEB (dpkg-shlibdeps), Debian's check of it
  debootstrap                                        # bench/deb-clean-install
  openssl dbus gnome-keyring                         # test certificates, a keyring of the tests' own
  python3-dnslib                                     # a name server of the tests' own (SRV, MX)
  codespell clang-tidy clang-format                  # scripts/check-style.sh
)

packages=("${build_packages[@]}")
case "${1:-}" in
  --tests) packages+=("${test_packages[@]}") ;;
  "") ;;
  *) echo "usage: $0 [--tests]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  # Postfix is only wanted for the tests' own instances; it must not ask questions.
  echo "postfix postfix/main_mailer_type select No configuration" | $SUDO debconf-set-selections
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
