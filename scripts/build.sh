#!/usr/bin/env bash
# Configures and builds into ./build: `build.sh run` the program alone,
# `build.sh test` (the default) the program, the tests and the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-test}" = run ]; then
  # Configured for the program alone unless a build is there already.
  [ -f build/CMakeCache.txt ] ||
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DSNAPHARBOR_BENCH=OFF >/dev/null
  cmake --build build -j"$(nproc)" --target snapharbor
else
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DSNAPHARBOR_BENCH=ON >/dev/null
  cmake --build build -j"$(nproc)"
fi
