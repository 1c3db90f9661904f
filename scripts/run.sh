#!/usr/bin/env bash
# Installs what running needs, builds the program alone, and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "SnapHarbor needs a graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set): run this from a desktop's terminal." >&2
  exit 1
fi
bash scripts/deps.sh run
bash scripts/build.sh run
exec build/bundle/bin/snapharbor "$@"
