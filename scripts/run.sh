#!/usr/bin/env bash
# Builds the Linux programs and runs portelan-cli with the given arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux >/dev/null
exec build/linux/bin/portelan-cli "$@"
