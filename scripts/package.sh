#!/usr/bin/env bash
# Builds the packages into build/packages/: the Debian package
# portelan_<version>_<arch>.deb from the linux preset and the Windows archive
# portelan-<version>-win64.zip from the windows preset.
#   scripts/package.sh [deb|zip]    (both without an argument)
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-both}" in
deb) kinds=(deb) ;;
zip) kinds=(zip) ;;
both) kinds=(deb zip) ;;
*)
    echo "usage: scripts/package.sh [deb|zip]" >&2
    exit 2
    ;;
esac
scripts/deps.sh
out=$PWD/build/packages
for kind in "${kinds[@]}"; do
    if [ "$kind" = deb ]; then preset=linux generator=DEB; else preset=windows generator=ZIP; fi
    echo "=== $preset: $generator ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    (cd "build/$preset" && cpack -G "$generator" -B "$out")
done
rm -rf "$out/_CPack_Packages"
ls -l "$out"
