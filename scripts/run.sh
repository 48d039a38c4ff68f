#!/usr/bin/env bash
# Builds the Linux programs and starts the splitter: the desktop program
# `portelan` when called without arguments on a desktop, otherwise
# `portelan-cli` with the given arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux >/dev/null
if [ $# -eq 0 ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/linux/bin/portelan
fi
exec build/linux/bin/portelan-cli "$@"
