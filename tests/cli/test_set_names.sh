#!/usr/bin/env bash
# Source names through the whole flow: a name the plan takes gives a set that
# verify finds intact and that the set's Linux joiner and portelan-cli join
# (given the directory or the cfg) rebuild; a name any of our joiners would
# refuse is refused by the plan, before anything is written. Then the checks
# a join and verify must agree on: damaged pieces under names that are no
# UTF-8, empty pieces, and pieces whose sizes do not add up to the record's.
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

chars="Pfadtrenner oder ein Steuerzeichen"
windows="unter Windows nicht erlaubt"
# name|what the plan says (empty: the set is written)|the rebuilt file, when
# not the name itself
rows=(
    "..txt||"
    "...txt||"
    "setup.exe.zip||"
    "$(printf 'caf\xe9.txt')||café.txt"
    "Łódź.avi||"
    "a\\b.txt|$chars|"
    "$(printf 'a\x01b.txt')|$chars|"
    "$(printf 'a\x7f.txt')|$chars|"
    "$(printf 'a\xc2\x85b.txt')|$chars|"
    "a:b.txt|$windows|"
    "NUL.txt|$windows|"
    "com1.log|$windows|"
    "film.avi |$windows|"
    "x.|endet mit einem Punkt|"
)
n=0
for row in "${rows[@]}"; do
    IFS='|' read -r name refusal rebuilt <<<"$row"
    rebuilt=${rebuilt:-$name}
    n=$((n + 1))
    src=$T/names$n/$name
    set=$T/names$n/set
    base=${name%.*}
    make_file "$src" 10000
    if [ -n "$refusal" ]; then
        check "$(printf '%q' "$name"): refused by the plan"
        mkdir -p "$set"
        run "$SPLITTER" split "$src" "$set" --size 4K
        assert_rc 1
        assert_out_has "$refusal"
        assert_entries "$set"
        continue
    fi
    check "$(printf '%q' "$name"): split, verified, rebuilt by the Linux joiner and by join DIR and join CFG"
    split_ok "$src" "$set" --size 4K
    run "$SPLITTER" verify "$set"
    assert_rc 0
    assert_out_lacks "Prüfsummenliste"
    assert_out_has "3 Teilstücke, davon OK: 3,"
    for how in joiner dir cfg; do
        case $how in
        joiner) run "$set/_$base" ;;
        dir) run "$SPLITTER" join "$set" ;;
        cfg) run "$SPLITTER" join "$set/_$base.cfg" ;;
        esac
        assert_rc 0
        assert_out_has "wurde erstellt."
        # A name that is no UTF-8 is rebuilt under its Windows-1252 reading.
        assert_same "$src" "$set/$rebuilt"
        rm "$set/$rebuilt"
    done
done

latin=$(printf 'caf\xe9')
check "a damaged piece of a set whose name is no UTF-8: named by verify and by the join"
S=$T/latin
make_file "$T/latin-src/$latin.txt" 10000
split_ok "$T/latin-src/$latin.txt" "$S" --size 4K
cp "$S/$latin.002" "$T/latin.002"
put_bytes "$S/$latin.002" 10 '\x00\x01\x02'
run "$SPLITTER" verify "$S"
assert_rc 1
assert_out_has "$latin.002 beschädigt"
run --stdin "
" "$S/_$latin"
assert_rc 1
assert_out_has "Das Teilstück \"$S/$latin.002\" ist beschädigt."
mkdir "$T/latin-good" && mv "$T/latin.002" "$T/latin-good/$latin.002" && cp "$S/$latin.003" "$T/latin-good/"
run --stdin "$T/latin-good
" "$S/_$latin"
assert_rc 0
assert_same "$T/latin-src/$latin.txt" "$S/café.txt"

# empty_set DIR: pieces x.001 x.003 of 100 bytes and an empty x.002, a record
# carrying the sum of all of them, and no checksum list.
empty_set() {
    make_file "$1/x.001" 100
    : >"$1/x.002"
    make_file "$1/x.003" 100
    cat "$1/x.001" "$1/x.003" >"$T/whole"
    write_cfg "$1/_x.cfg" 200 bin x 3 "$T/whole"
}
check "an empty piece vouched for by the sum of all: verify calls it damaged, the join refuses it"
empty_set "$T/empty1"
run "$SPLITTER" verify "$T/empty1"
assert_rc 1
assert_out_has "x.002 beschädigt"
run "$SPLITTER" join "$T/empty1"
assert_rc 1
assert_err_has "\"$T/empty1/x.002\" hat eine Länge von Null."
assert_absent "$T/empty1/x.bin"

check "an empty piece listed with CRC 00000000: the same"
empty_set "$T/empty2"
printf 'x.001 %s\r\nx.002 00000000\r\n' "$(cksfv -b "$T/empty2/x.001" | sed -n 's/^x\.001 //p')" >"$T/empty2/_x.sfv"
run "$SPLITTER" verify "$T/empty2"
assert_rc 1
assert_out_has "x.002 beschädigt"
run "$SPLITTER" join "$T/empty2"
assert_rc 1
assert_err_has "hat eine Länge von Null."

# sumless_set DIR: three pieces of 100, 100 and 50 bytes and a record of
# 250 bytes without a sum, as other makers write them; no checksum list.
sumless_set() {
    make_file "$1/x.001" 100
    make_file "$1/x.002" 100
    make_file "$1/x.003" 50
    write_cfg "$1/_x.cfg" 250 bin x 3
}
for change in "short:49" "long:51"; do
    check "a record without sums and a ${change%:*} last piece: named as damaged and asked for again"
    D=$T/sumless-${change%:*}
    sumless_set "$D"
    cat "$D"/x.00? >"$T/whole"
    mkdir -p "$D-good" && cp "$D/x.003" "$D-good/"
    make_file "$D/x.003" "${change#*:}"
    run "$SPLITTER" verify "$D"
    assert_rc 1
    assert_out_has "nennt 250 Bytes."
    run --stdin "
" "$SPLITTER" join "$D"
    assert_rc 1
    assert_err_has "Das Teilstück \"$D/x.003\" ist beschädigt."
    assert_absent "$D/x.bin"
    run --stdin "$D-good
" "$SPLITTER" join "$D"
    assert_rc 0
    assert_same "$T/whole" "$D/x.bin"
    assert_no_temp "$D"
done

check "a record without sums and a short middle piece: the join fails on the size"
D=$T/sumless-middle
sumless_set "$D"
make_file "$D/x.002" 99
run "$SPLITTER" join "$D"
assert_rc 1
assert_err_has "Die Grösse der zusammengeführten Datei \"$D/x.bin\" stimmt nicht."
assert_absent "$D/x.bin"
assert_no_temp "$D"

finish
