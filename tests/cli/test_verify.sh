#!/usr/bin/env bash
# The checksum list beside every set: cksfv reads it, portelan-cli verify
# names each piece as OK, damaged or missing without joining.
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

command -v cksfv >/dev/null || { echo "FAIL: cksfv is missing (Debian package cksfv)" >&2; exit 1; }
S=$T/set
make_file "$T/src/x.bin" 10000
# Without recovery files: the repair has tests of its own.
split_ok "$T/src/x.bin" "$S" --size 4K --recovery 0
cp -r "$S" "$T/intact"

check "cksfv accepts the list; verify finds every piece OK"
(cd "$S" && cksfv -q -f _x.sfv) || fail "cksfv refused the list"
run "$SPLITTER" verify "$S"
assert_rc 0
assert_text "$OUT" "x.001 OK
x.002 OK
x.003 OK
3 Teilstücke, davon OK: 3, beschädigt: 0, ungeprüft: 0, fehlend: 0."

for k in 001 002 003; do
    check "one byte of x.$k changed: cksfv and verify name it"
    cp "$T/intact"/x.00? "$S/"
    byte=$(od -An -tu1 -j 50 -N 1 "$S/x.$k" | tr -d ' ')
    put_bytes "$S/x.$k" 50 "$(printf '\\x%02x' $(((byte + 1) % 256)))"
    if (cd "$S" && cksfv -q -f _x.sfv) 2>"$T/cksfv.err"; then fail "cksfv missed the damage"; fi
    assert_has "$T/cksfv.err" "x.$k"
    run "$SPLITTER" verify "$S/_x.cfg"
    assert_rc 1
    assert_out_has "x.$k beschädigt"
    assert_out_has "davon OK: 2, beschädigt: 1,"
done

# states_of FILE: "name state size" per piece of verify --json's object, and
# its verdict; the object must parse with python3 -m json.tool first.
states_of() {
    python3 -m json.tool "$1" >/dev/null || fail "verify --json printed no valid JSON: $(cat "$1")"
    python3 -c 'import json, sys
d = json.load(open(sys.argv[1]))
for p in d["pieces"]: print(p["name"], p["state"], p["size"])
print(d["set"], d["size"], d["sound"], d["repairable"])' "$1"
}

check "verify --json: one object on stdout for an intact, a damaged and an incomplete set"
cp "$T/intact"/x.00? "$S/"
while IFS='|' read -r change rc states; do
    eval "$change"
    run "$SPLITTER" verify --json "$S"
    assert_rc "$rc"
    states_of "$OUT" >"$T/states"
    assert_text "$T/states" "$(printf '%b' "$states")"
    assert_err_lacks "Fehlermeldung"
done <<'EOF_ROWS'
:|0|x.001 ok 4096\nx.002 ok 4096\nx.003 ok 1808\nx.bin 10000 True True
put_bytes "$S/x.002" 7 X|1|x.001 ok 4096\nx.002 damaged 4096\nx.003 ok 1808\nx.bin 10000 False False
rm "$S/x.003"|1|x.001 ok 4096\nx.002 damaged 4096\nx.003 missing None\nx.bin 10000 False False
EOF_ROWS

check "a missing piece and no list: named, and the rest only checked together"
cp "$T/intact"/x.00? "$S/"
rm "$S/x.002" "$S/_x.sfv"
run "$SPLITTER" verify "$S"
assert_rc 1
assert_text "$OUT" "x.001 ungeprüft
x.002 fehlt
x.003 ungeprüft
Keine Prüfsummenliste (_x.sfv): die Teilstücke wurden nur zusammen geprüft.
3 Teilstücke, davon OK: 0, beschädigt: 0, ungeprüft: 2, fehlend: 1.
Keine Wiederherstellungsdaten (_x.par2): der Satz lässt sich nicht reparieren."

check "a record of another writer (no checksum) with a checksum list: the joiner checks each piece"
cp "$T/intact"/x.00? "$T/intact/_x.sfv" "$S/"
write_cfg "$S/_x.cfg" 10000 bin x 3
run "$SPLITTER" join "$S"
assert_rc 0
assert_same "$T/src/x.bin" "$S/x.bin"
rm "$S/x.bin"
put_bytes "$S/x.003" 5 "$(printf '\\x%02x' $((($(od -An -tu1 -j 5 -N 1 "$S/x.003" | tr -d ' ') + 1) % 256)))"
run "$SPLITTER" join "$S"
assert_rc 1
assert_err_has "Das Teilstück \"$S/x.003\" ist beschädigt."
assert_absent "$S/x.bin"

check "in English (LC_ALL=en_US.UTF-8): a split with its plan, a verify, and a join refused"
make_file "$T/en/x.bin" 10000
mkdir "$T/en/set"
run env LANGUAGE= LC_ALL=en_US.UTF-8 "$SPLITTER" split "$T/en/x.bin" "$T/en/set" --size 4K --recovery 0
assert_rc 0
assert_out_has "Information
  Source
    File name: x.bin
"
assert_out_has "    Pieces:    3
    Size:      4.0 KB
    Recovery:  none
  Notes
    This makes 2 pieces of 4.0 KB each
    and one piece of "
assert_out_lacks "Teilst"
run env LANGUAGE= LC_ALL=en_US.UTF-8 "$SPLITTER" verify "$T/en/set"
assert_rc 0
assert_out_has "3 pieces: OK 3, damaged 0, unchecked 0, missing 0."
mkdir "$T/en/empty"
run env LANGUAGE= LC_ALL=en_US.UTF-8 "$SPLITTER" join "$T/en/empty"
assert_rc 1
assert_err_has "The directory \"$T/en/empty\" holds no configuration file (_*.cfg)."

# Nothing in a set depends on the language it was made in: the one made in
# English joins in German with its own joiner, a German one in English.
check "a set made in English joins in German, one made in German joins in English"
run --in "$T/en/set" ./_x
assert_rc 0
assert_out_has "Zusammenführung erfolgreich
Die Datei \"$T/en/set/x.bin\" wurde erstellt."
assert_same "$T/en/x.bin" "$T/en/set/x.bin"
make_file "$T/de/x.bin" 10000
split_ok "$T/de/x.bin" "$T/de/set" --size 4K
rm "$T/de/set/x.002"
run env LANGUAGE= LC_ALL=en_US.UTF-8 "$SPLITTER" join "$T/de/set"
assert_rc 0
assert_out_has "The piece \"$T/de/set/x.002\" has been rebuilt from the recovery files."
assert_out_has "The file \"$T/de/set/x.bin\" has been created."
assert_same "$T/de/x.bin" "$T/de/set/x.bin"

finish
