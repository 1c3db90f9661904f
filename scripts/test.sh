#!/usr/bin/env bash
# Installs the dependencies, builds, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
bash scripts/build.sh test
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
