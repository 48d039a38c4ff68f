#!/usr/bin/env bash
# Plans the splitter must refuse: exit 1, the verdict in the notes and on
# stderr, and not a single file written to the target directory.
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

P=4096
n=0

# refuse SIZE COUNT-TEXT VERDICT [--size ARG]: splits a SIZE-byte source into a
# fresh empty directory and expects the plan to be refused with VERDICT.
refuse() {
    local size=$1 count=$2 verdict=$3
    shift 3
    n=$((n + 1))
    local src=$T/r$n/source.bin target=$T/r$n/target
    make_file "$src" "$size"
    mkdir "$target"
    run "$SPLITTER" split "$src" "$target" "$@"
    assert_rc 1
    assert_out_has "    Anzahl:    $count
"
    assert_out_has "  Hinweise
    ${verdict//$'\n'/$'\n'    }
Der Vorgang wurde abgebrochen."
    assert_out_lacks "Bitte warten..."
    assert_text "$ERR" "Fehlermeldung
$verdict"
    assert_entries "$target"
}

single="Die Quelldatei ist nicht grösser als ein Einzelstück.
Es würde nur eine einzelne Datei erzeugt."

check "1 byte, P-1 and P bytes make a single piece: refused"
refuse 1 1 "$single" --size 4K
assert_out_has "    Grösse:    1 Byte
  Ziel"
refuse $((P - 1)) 1 "$single" --size 4K
refuse $P 1 "$single" --size 4K
assert_out_has "    Grösse:    4.0 KB
  Ziel"

check "999*P+1 bytes would need 1000 pieces: refused"
refuse 999001 1000 "Fehler: Zu viele Zieldateien (>999)." --size 1000

check "a count outside 2 to 999: the plan's refusals, whatever pieces it would give"
refuse 5000 1 "$single" --count 1
refuse 5000 1000 "Fehler: Zu viele Zieldateien (>999)." --count 1000
refuse 10 10 "Fehler: Zu viele Zieldateien (>999)." --count 1000
refuse 5000 1 "Fehler: Anzahl der Zieldateien darf nicht Null sein." --count 0

check "an empty source: refused (also when the piece size is zero too)"
refuse 0 1 "Fehler: Grösse der Quelldatei darf nicht Null sein." --size 4K
assert_out_has "    Grösse:    0 Bytes
  Ziel"
refuse 0 1 "Fehler: Grösse der Quelldatei darf nicht Null sein." --size 0

check "piece size zero and negative: refused"
refuse 5000 1 "Fehler: Grösse der Zieldatei darf nicht Null sein." --size 0
assert_out_has "    Grösse:    0 Bytes
    Wiederherstellung: keine
  Hinweise"
refuse 5000 1 "Fehler: Grösse der Zieldatei darf nicht Null sein." --size -5
assert_out_has "    Grösse:    -5 Bytes
    Wiederherstellung: keine
  Hinweise"
refuse 5000 1 "Fehler: Grösse der Zieldatei darf nicht Null sein." --size=-1K
assert_out_has "    Grösse:    -1024 Bytes
    Wiederherstellung: keine
  Hinweise"

check "a directory given as the source counts as empty"
mkdir -p "$T/adir" "$T/adir-target"
run "$SPLITTER" split "$T/adir" "$T/adir-target" --size 4K
assert_rc 1
assert_out_has "Fehler: Grösse der Quelldatei darf nicht Null sein."
assert_entries "$T/adir-target"

check "a source that does not exist: no plan, only the status text, on stderr too"
mkdir "$T/t-missing-src"
run "$SPLITTER" split "$T/no such file.bin" "$T/t-missing-src" --size 4K
assert_rc 1
assert_text "$OUT" "Die Dateigrösse konnte nicht bestimmt werden."
assert_text "$ERR" "Fehlermeldung
Die Dateigrösse konnte nicht bestimmt werden."
assert_entries "$T/t-missing-src"

# The free-space query fails for a missing directory: the warning then shows
# the needed size in both places (8193 + 102400 bytes = 108.0 KB).
check "a target directory that does not exist: free-space warning, directory not created"
make_file "$T/w/source.bin" 8193
run "$SPLITTER" split "$T/w/source.bin" "$T/nowhere/deeper" --size 4K --recovery 0
assert_rc 1
assert_out_has "    Pfad:      $T/nowhere/deeper/
    Anzahl:    3"
assert_out_has "  Hinweise
    Warnung: Es sind nur noch 108.0 KB auf \"$T/nowhere/deeper/\" frei.
    Sie benötigen aber ca. 108.0 KB.
Der Vorgang wurde abgebrochen."
assert_absent "$T/nowhere"

check "a target path under a regular file: the same warning, the file untouched"
echo "just a file" >"$T/w/plain.txt"
cp "$T/w/plain.txt" "$T/plain.orig"
run "$SPLITTER" split "$T/w/source.bin" "$T/w/plain.txt/sub" --size 4K --recovery 0
assert_rc 1
assert_out_has "Warnung: Es sind nur noch 108.0 KB auf \"$T/w/plain.txt/sub/\" frei."
assert_same "$T/plain.orig" "$T/w/plain.txt"

check "the checks come in order: too many pieces before free space, free space before a single piece"
make_file "$T/o/many.bin" 999001
run "$SPLITTER" split "$T/o/many.bin" "$T/o/missing" --size 1000
assert_rc 1
assert_out_has "    Fehler: Zu viele Zieldateien (>999)."
assert_out_lacks "Warnung"
make_file "$T/o/one.bin" 1
run "$SPLITTER" split "$T/o/one.bin" "$T/o/missing" --size 4K
assert_rc 1
assert_out_has "    Warnung: Es sind nur noch 100.0 KB auf \"$T/o/missing/\" frei."
assert_out_lacks "Einzelstück"
assert_absent "$T/o/missing"

# "x.002" cut into its own directory: creating piece 2 would truncate the
# source before a byte of it was read.
check "a source named like one of its own pieces, split into its own directory: refused, source intact"
make_file "$T/own/x.002" 10000
cp "$T/own/x.002" "$T/own.orig"
run "$SPLITTER" split "$T/own/x.002" "$T/own" --size 4K
assert_rc 1
assert_out_has "Fehler: Die Quelldatei wäre zugleich das Teilstück \"$T/own/x.002\" und würde überschrieben.
Der Vorgang wurde abgebrochen."
assert_same "$T/own/x.002" "$T/own.orig"
assert_entries "$T/own" x.002
# Sets their own joiner would refuse: named like one of its pieces, without a
# name before the last dot, or without one after it.
for row in "x.002|Die Quelldatei heisst wie ihr eigenes Teilstück 2." \
    ".profile|Der Name der Quelldatei hat vor dem letzten Punkt keinen Namen." \
    "notes.|Der Name der Quelldatei endet mit einem Punkt."; do
    IFS='|' read -r name verdict <<<"$row"
    check "$name split into another directory: refused before a piece is written"
    make_file "$T/odd/$name" 10000
    mkdir -p "$T/odd-set"
    run "$SPLITTER" split "$T/odd/$name" "$T/odd-set" --size 4K
    assert_rc 1
    assert_out_has "    Fehler: $verdict
    Die Teilstücke liessen sich nicht wieder zusammensetzen.
Der Vorgang wurde abgebrochen."
    assert_entries "$T/odd-set"
done

check "in English (LC_ALL=en_US.UTF-8): the plan and its refusal in English"
make_file "$T/en/source.bin" 100
mkdir "$T/en/target"
run env LANGUAGE= LC_ALL=en_US.UTF-8 "$SPLITTER" split "$T/en/source.bin" "$T/en/target" --size 4K
assert_rc 1
assert_out_has "  Target
    Path:      $T/en/target/
    Pieces:    1
"
assert_out_has "  Notes
    The source file is no larger than one piece.
    Only a single file would be made.
Cancelled."
assert_text "$ERR" "Error
The source file is no larger than one piece.
Only a single file would be made."
assert_entries "$T/en/target"

finish
