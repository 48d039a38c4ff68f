#!/usr/bin/env bash
# Builds and runs every test: the optimised Linux build, then under
# AddressSanitizer with UndefinedBehaviorSanitizer, then ThreadSanitizer,
# then the Windows programs under Wine, and sets crossing between the two;
# last the fuzz targets, each replaying its corpus and exploring briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)
for preset in linux linux-asan linux-tsan; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j "$jobs"
done
echo "=== windows ==="
cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows
tests/win32/test_cross.sh build/linux/bin build/windows/bin
tests/win32/test_update_wine.sh build/windows/bin
echo "=== fuzz ==="
tests/fuzz/run.sh 20
