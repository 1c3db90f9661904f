#!/usr/bin/env bash
# Installs what building, testing and running need on Debian 12 (as root, or through sudo).
set -euo pipefail
PACKAGES=(build-essential cmake pkg-config git qt6-base-dev libpcre2-dev libssl-dev
          libgtest-dev libgmock-dev googletest openssl python3 xdg-utils
          libjpeg-turbo-progs curl libturbojpeg0-dev libcurl4-openssl-dev)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
