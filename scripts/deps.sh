#!/usr/bin/env bash
# Installs the Debian 12 packages that running (`deps.sh run`) or building and
# testing (`deps.sh test`, the default) need, without recommended extras.
# Installing takes root or sudo; with everything in place it needs neither.
set -euo pipefail
# Building and running the program; xdg-utils opens the about window's pages,
# ca-certificates lets "https://" addresses be checked.
PACKAGES=(build-essential cmake pkg-config qt6-base-dev libpcre2-dev libssl-dev
          libturbojpeg0-dev ca-certificates xdg-utils)
if [ "${1:-test}" != run ]; then
  # The tests, the format check, and the peers the benchmark programs measure against.
  PACKAGES+=(libgtest-dev libgmock-dev googletest clang-format curl libcurl4-openssl-dev)
fi
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "Installing the packages it needs (${missing[*]}) takes root or sudo: run this as root or install sudo." >&2
    exit 1
  fi
  SUDO=(sudo)
fi
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
