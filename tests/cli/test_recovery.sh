#!/usr/bin/env bash
# The PAR2 recovery files of portelan-cli's sets, judged by par2cmdline:
# every set verifies, lost and damaged pieces are rebuilt from our files
# alone, and the plan shows and counts the files it writes.
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

if ! command -v par2 >/dev/null; then
    skip "par2 (par2cmdline) is not installed"
    exit 0
fi

# par2_ok DIR: par2 verify accepts the set in DIR as whole.
par2_ok() {
    run --in "$1" par2 verify -q _film.par2
    assert_rc 0
}

# name size piece-size recovery volumes: sets that par2 verify accepts
# whole, with the number of volumes par2cmdline's naming gives.
while read -r name size psize recovery volumes; do
    check "$name: par2 verify accepts the set; $volumes volumes"
    make_file "$T/$name/film.avi" "$size"
    split_ok "$T/$name/film.avi" "$T/$name/set" --size "$psize" --recovery "$recovery"
    if [ "$recovery" -eq 0 ]; then
        assert_absent "$T/$name/set/_film.par2"
        assert_out_has "Wiederherstellung: keine"
    else
        assert_out_has "Wiederherstellung: $((volumes + 1)) Dateien, zusammen"
        par2_ok "$T/$name/set"
        assert_eq "$volumes" "$(find "$T/$name/set" -name '_film.vol*.par2' | wc -l)" "volumes"
        # No recovery file is larger than a piece.
        for f in "$T/$name/set"/_film*.par2; do
            [ "$(stat -c %s "$f")" -le "$psize" ] || fail "$f is larger than a piece"
        done
    fi
    pass
done <<'TABLE'
diskette-short-last 4000000 1457664 1 2
diskette-even       2915328 1457664 1 2
small-pieces        100000  20000   1 2
two-worth           300000  65536   2 4
none                300000  65536   0 0
TABLE

check "one piece deleted and another damaged, two pieces' worth: par2 repair rebuilds both from our files"
make_file "$T/mend/film.avi" 700000
split_ok "$T/mend/film.avi" "$T/mend/set" --size 200000 --recovery 2
cp "$T/mend/set/film.002" "$T/mend/film.002"
cp "$T/mend/set/film.004" "$T/mend/film.004"
rm "$T/mend/set/film.002"
put_bytes "$T/mend/set/film.004" 100 'damaged'
run --in "$T/mend/set" par2 repair -q _film.par2
assert_rc 0
assert_same "$T/mend/film.002" "$T/mend/set/film.002"
assert_same "$T/mend/film.004" "$T/mend/set/film.004"
pass

check "three lost with two pieces' worth: par2 finds the recovery data short by two slices"
rm "$T/mend/set/film.001" "$T/mend/set/film.002" "$T/mend/set/film.003"
run --in "$T/mend/set" par2 repair _film.par2
assert_rc 2
assert_out_has "You need 2 more recovery blocks to be able to repair."
pass

check "recovery that cannot be laid out in tiny pieces is refused with what to do"
make_file "$T/tiny/film.avi" 9000
mkdir -p "$T/tiny/set"
run "$SPLITTER" split "$T/tiny/film.avi" "$T/tiny/set" --size 10
assert_rc 1
assert_out_has "Wählen Sie grössere Teilstücke oder keine Wiederherstellung."
assert_absent "$T/tiny/set/film.001"
split_ok "$T/tiny/film.avi" "$T/tiny/set" --size 10 --recovery 0
pass

check "--recovery takes a whole number from 0 to 999"
for bad in -1 x 1000 ""; do
    run "$SPLITTER" split "$T/tiny/film.avi" "$T/tiny/set" --recovery "$bad"
    assert_rc 2
done
run "$SPLITTER" split "$T/tiny/film.avi" "$T/tiny/set" --recovery
assert_rc 2
pass

finish
