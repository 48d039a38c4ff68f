#!/usr/bin/env bash
# Prints the sizes of the two joiners that travel in every set, as built by
# the optimised presets (stripped release builds), beside the diskette they
# have to share with the pieces, and what each needs at run time.
#
#   bench/joiner-sizes.sh              # builds the joiners first ("linux" and "windows" presets)
#   BUILT=1 bench/joiner-sizes.sh      # uses what is built
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${BUILT:-}" ]; then
  scripts/deps.sh
  for preset in linux windows; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target "$([ $preset = linux ] && echo portelanconcat || echo PortelanConcat)" >/dev/null
  done
fi
disk=1457664
limit=81920 # the bar; the aim stays 64 KiB
printf '%-22s %9s %8s %8s  %s\n' joiner bytes "of 80K" "of disk" "needs"
row() {
  local name=$1 file=$2 needs=$3 size
  size=$(stat -c %s "$file")
  printf '%-22s %9d %7d%% %7d%%  %s\n' "$name" "$size" $((100 * size / limit)) $((100 * size / disk)) "$needs"
}
row portelanconcat build/linux/bin/portelanconcat \
  "$(readelf -d build/linux/bin/portelanconcat | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' | tr '\n' ' ')"
row PortelanConcat.exe build/windows/bin/PortelanConcat.exe \
  "$(x86_64-w64-mingw32-objdump -p build/windows/bin/PortelanConcat.exe | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
clip=build/windows/pictures/clip132.avi
[ -f "$clip" ] && printf '%-22s %9d  (inside PortelanConcat.exe)\n' "  clip 132" "$(stat -c %s "$clip")"
