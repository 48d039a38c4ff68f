#!/usr/bin/env bash
# Names in any language on Linux: round trips of names within and beyond
# Windows-1252, a record of another make in Windows-1252 whose pieces carry
# UTF-8 names on this disk, and a name not valid in its declared encoding.
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

check "round trips of Südtirol.avi (Windows-1252 in the record), Łódź.avi and 東京.mp4 (UTF-8)"
for name in "Südtirol.avi" "Łódź.avi" "東京.mp4"; do
    base=${name%.*}
    rm -rf "$T/src" "$T/set"
    make_file "$T/src/$name" 10000
    split_ok "$T/src/$name" "$T/set" --size 4K
    run --in "$T" "$T/set/_$base"
    assert_rc 0
    assert_text "$OUT" "Zusammenführung erfolgreich
Die Datei \"$T/set/$name\" wurde erstellt."
    assert_same "$T/src/$name" "$T/set/$name"
done

# The pieces of a Windows set, renamed to UTF-8 on the way here; the record
# keeps the Windows-1252 name "S\xFCdtirol" and has no marker.
make_file "$T/src/w.bin" 10000
windows_set() {
    rm -rf "$1"
    mkdir -p "$1"
    split -b 4096 -a 3 --numeric-suffixes=1 "$T/src/w.bin" "$1/$2."
    write_cfg "$1/_$2.cfg" 10000 avi $'S\xfcdtirol' 3
}

check "that record with pieces named in UTF-8: the Linux joiner and portelan-cli join rebuild Südtirol.avi"
windows_set "$T/w1" "Südtirol"
cp "$JOINER" "$T/w1/_Südtirol"
run --in "$T" "$T/w1/_Südtirol"
assert_rc 0
assert_text "$OUT" "Zusammenführung erfolgreich
Die Datei \"$T/w1/Südtirol.avi\" wurde erstellt."
assert_same "$T/src/w.bin" "$T/w1/Südtirol.avi"
windows_set "$T/w2" "Südtirol"
run --in "$T" "$SPLITTER" join "$T/w2"
assert_rc 0
assert_text "$OUT" "Zusammenführung erfolgreich
Die Datei \"$T/w2/Südtirol.avi\" wurde erstellt."
assert_same "$T/src/w.bin" "$T/w2/Südtirol.avi"

check "a base name of broken UTF-8 under PU32: refused naming the configuration file, nothing created"
B=$T/broken
bad=$'x\xc3'
mkdir "$B"
split -b 4096 -a 3 --numeric-suffixes=1 "$T/src/w.bin" "$B/$bad."
write_cfg "$B/_x.cfg" 10000 avi "$bad" 3 "$T/src/w.bin" PU32
cp "$JOINER" "$B/_x"
run --in "$T" "$B/_x"
assert_rc 1
assert_text "$OUT" "Fehlermeldung
Die Konfigurationsdatei \"$B/_x.cfg\" ist ungültig:
Der Dateiname ist in seiner Kodierung (Windows-1252 oder UTF-8) ungültig."
assert_entries "$B" _x _x.cfg "$bad.001" "$bad.002" "$bad.003"

finish
