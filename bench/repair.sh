#!/usr/bin/env bash
# Times "portelan-cli repair" of one lost piece against "par2 repair" on the
# same set: 100 MiB pieces of random data with one piece's worth of recovery
# data that par2cmdline wrote (4 MiB slices, 25 recovery slices), so that
# both tools read the same files and the Reed-Solomon work dominates.
#
# Environment:
#   BIN_DIR    directory holding portelan-cli (default build/linux/bin, built first)
#   BENCH_DIR  where the scratch directory goes (default /tmp)
#   MIB        size of the source in MiB (default 1024)
#
# Exits non-zero only when a rebuilt piece differs or a command fails.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
mib=${MIB:-1024}
"$repo/scripts/deps.sh" par2 time
if [ -z "${BIN_DIR:-}" ]; then
  (cd "$repo" && cmake --preset linux >/dev/null && cmake --build --preset linux --target portelan-cli >/dev/null)
  BIN_DIR=$repo/build/linux/bin
fi
cli=$(cd "$BIN_DIR" && pwd)/portelan-cli
work=$(mktemp -d "${BENCH_DIR:-/tmp}/portelan-repair.XXXXXX")
trap 'rm -rf "$work"' EXIT

head -c $((mib * 1048576)) /dev/urandom >"$work/x.bin"
mkdir "$work/set"
"$cli" split "$work/x.bin" "$work/set" --size 100M >/dev/null
rm -f "$work/set"/*.par2 "$work/x.bin"
(cd "$work/set" && par2 create -q -q -s4194304 -c25 -n1 _x.par2 x.[0-9][0-9][0-9] >/dev/null)
lost=$work/set/x.002
cp "$lost" "$work/x.002.orig"

seconds() { # command...: wall-clock seconds of one run
  /usr/bin/time -f %e -o "$work/time" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  cat "$work/time"
}
sync
rm "$lost"
ours=$(seconds "$cli" repair "$work/set")
cmp -s "$lost" "$work/x.002.orig" || { echo "portelan-cli repair rebuilt x.002 wrongly" >&2; exit 1; }
rm "$lost"
theirs=$(cd "$work/set" && seconds par2 repair -q -q _x.par2)
cmp -s "$lost" "$work/x.002.orig" || { echo "par2 repair rebuilt x.002 wrongly" >&2; exit 1; }

printf '%-34s %8s s\n' "portelan-cli repair (one piece)" "$ours" "par2 repair (one piece)" "$theirs"
awk -v a="$ours" -v b="$theirs" 'BEGIN { if (a > 0) printf "par2 repair / portelan-cli repair: %.1fx (target 5x)\n", b / a }'
