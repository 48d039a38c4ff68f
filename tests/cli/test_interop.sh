#!/usr/bin/env bash
# Sets made without our splitter, and our sets read without our joiner:
# GNU split pieces plus a record built byte by byte from its layout, cat for
# joining, and gzip's CRC-32 as an independent checksum.
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

P=4096
SIZE=10000 # three pieces: 4096 + 4096 + 1808
make_file "$T/src/name.bin" $SIZE
SRC=$T/src/name.bin

# gnu_set DIR: GNU split's pieces name.001 ... and a joiner copy _name.exe.
gnu_set() {
    mkdir -p "$1"
    split -b $P -a 3 --numeric-suffixes=1 "$SRC" "$1/name."
    cp "$JOINER" "$1/_name.exe"
}

check "GNU split pieces and a record without marker (reserved bytes zero): joined byte for byte"
gnu_set "$T/gnu1"
write_cfg "$T/gnu1/_name.cfg" $SIZE bin name 3
assert_eq "00000000" "$(od -An -tx1 -j 4 -N 4 "$T/gnu1/_name.cfg" | tr -d ' ')" "reserved bytes at 4"
run --in "$T" "$T/gnu1/_name.exe"
assert_rc 0
assert_text "$OUT" "Zusammenführung erfolgreich
Die Datei \"$T/gnu1/name.bin\" wurde erstellt."
assert_same "$SRC" "$T/gnu1/name.bin"

check "a shorter record (532 bytes, no second reserved field) still joins"
gnu_set "$T/gnu2"
write_cfg "$T/gnu2/_name.cfg" $SIZE bin name 3
truncate -s 532 "$T/gnu2/_name.cfg"
run "$T/gnu2/_name.exe"
assert_rc 0
assert_same "$SRC" "$T/gnu2/name.bin"

check "without the marker no checksum is compared: a changed byte passes through"
gnu_set "$T/gnu3"
write_cfg "$T/gnu3/_name.cfg" $SIZE bin name 3
cp "$SRC" "$T/changed.bin"
byte=$(od -An -tu1 -j 5000 -N 1 "$SRC" | tr -d ' ')
put_bytes "$T/changed.bin" 5000 "$(printf '\\x%02x' $(((byte + 1) % 256)))"
split -b $P -a 3 --numeric-suffixes=1 "$T/changed.bin" "$T/gnu3/name."
run "$T/gnu3/_name.exe"
assert_rc 0
assert_same "$T/changed.bin" "$T/gnu3/name.bin"

check "a record with marker and gzip's CRC-32 joins; with a wrong CRC it is refused"
gnu_set "$T/gnu4"
write_cfg "$T/gnu4/_name.cfg" $SIZE bin name 3 "$SRC"
assert_eq "PC32" "$(dd if="$T/gnu4/_name.cfg" bs=1 skip=4 count=4 status=none)" "marker at 4"
run "$T/gnu4/_name.exe"
assert_rc 0
assert_same "$SRC" "$T/gnu4/name.bin"
rm "$T/gnu4/name.bin"
write_cfg "$T/gnu4/_name.cfg" $SIZE bin name 3 "$T/changed.bin"
run "$T/gnu4/_name.exe"
assert_rc 1
assert_text "$OUT" "Fehlermeldung
Die Prüfsumme der zusammengeführten Datei \"$T/gnu4/name.bin\" stimmt nicht.
Fehlermeldung
Die Zieldatei \"$T/gnu4/name.bin\" konnte nicht erstellt werden."
assert_absent "$T/gnu4/name.bin"
assert_no_temp "$T/gnu4"

check "our record equals the one built from the layout, byte for byte"
split_ok "$SRC" "$T/ours" --size 4K
write_cfg "$T/expected.cfg" $SIZE bin name 3 "$SRC"
assert_same "$T/expected.cfg" "$T/ours/_name.cfg"

check "our pieces equal GNU split's, and cat joins them"
for k in 1 2 3; do
    assert_same "$T/gnu1/$(piece name $k)" "$T/ours/$(piece name $k)"
done
cat "$T/ours"/name.0* >"$T/cat.bin"
assert_same "$SRC" "$T/cat.bin"

check "the records of a name without dot and of a 250-byte base name"
make_file "$T/src/README" 5000
split_ok "$T/src/README" "$T/readme" --size 4K
write_cfg "$T/readme.cfg" 5000 xxx README 2 "$T/src/README"
assert_same "$T/readme.cfg" "$T/readme/_README.cfg"
long=$(printf 'n%.0s' $(seq 250))
make_file "$T/src/$long.data" 5000
# Its recovery files would need a name longer than the file system allows.
split_ok "$T/src/$long.data" "$T/long" --size 4K --recovery 0
write_cfg "$T/long.cfg" 5000 data "$long" 2 "$T/src/$long.data"
assert_same "$T/long.cfg" "$T/long/_$long.cfg"
run "$T/long/_$long"
assert_rc 0
assert_same "$T/src/$long.data" "$T/long/$long.data"

finish
