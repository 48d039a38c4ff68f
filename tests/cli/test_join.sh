#!/usr/bin/env bash
# portelan-cli join: the joiner's own run for a set whose joiner cannot run
# here, chosen by its directory or its configuration file; the file is
# rebuilt beside the configuration file, wherever the command is started.
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

make_file "$T/src/x.bin" 10000
split_ok "$T/src/x.bin" "$T/made" --size 4K
S=$T/set
mkdir "$T/elsewhere"

# windows_set [CFG-NAME]: S holds the pieces and the configuration file of the
# made set, no Linux joiner, and a _x.exe that is no Linux program.
windows_set() {
    rm -rf "$S"
    mkdir "$S"
    cp "$T/made"/x.00? "$S/"
    cp "$T/made/_x.cfg" "$S/${1:-_x.cfg}"
    printf 'MZ\x90\x00\x03 a Windows program' >"$S/_x.exe"
}

# Rows: working directory | arguments of join | name of the configuration file.
check "join DIR, join CFG and join alone: rebuilt beside the configuration file, exit 0"
while IFS='|' read -r dir args cfg; do
    windows_set "$cfg"
    # shellcheck disable=SC2086 # the arguments split on purpose; none is empty
    run --in "$dir" "$SPLITTER" join $args
    assert_rc 0
    assert_text "$OUT" "Zusammenführung erfolgreich
Die Datei \"$S/x.bin\" wurde erstellt."
    assert_same "$T/src/x.bin" "$S/x.bin"
    assert_entries "$S" x.001 x.002 x.003 "${cfg:-_x.cfg}" _x.exe x.bin
    assert_entries "$T/elsewhere"
done <<EOF_ROWS
$T/elsewhere|$S|
$T/elsewhere|$S/_x.cfg|
$T/elsewhere|../set/|
$T/elsewhere|../set/_x.cfg|
$S||
$T/elsewhere|$S|_X.CFG
EOF_ROWS

check "a piece with one byte changed: the joiner's checksum message, no target"
windows_set
put_bytes "$S/x.002" 100 "$(od -An -tu1 -j 100 -N 1 "$S/x.002" | awk '{ printf "\\x%02x", ($1 + 1) % 256 }')"
run --in "$T/elsewhere" "$SPLITTER" join "$S"
assert_rc 1
assert_err_has "Die Prüfsumme der zusammengeführten Datei \"$S/x.bin\" stimmt nicht."
assert_empty "$OUT"
assert_entries "$S" x.001 x.002 x.003 _x.cfg _x.exe

# Neither a directory, a file named "x.cfg" nor "_x.cfg.bak" is a configuration file.
check "no configuration file, several, or no such path: a message on stderr naming them, exit 1, nothing created"
mkdir -p "$T/none/_d.cfg" "$T/several"
touch "$T/none/x.cfg" "$T/none/_x.cfg.bak"
for cfg in _b.cfg _C.Cfg _a.cfg; do cp "$T/made/_x.cfg" "$T/several/$cfg"; done
cp "$T/made"/x.00? "$T/several/"
while IFS='|' read -r arg message; do
    before=$(ls -AR "$T")
    run --in "$T" "$SPLITTER" join "$arg"
    assert_rc 1
    assert_text "$ERR" "Fehlermeldung
$message"
    assert_empty "$OUT"
    [ "$(ls -AR "$T")" = "$before" ] || fail "join $arg changed the files"
    pass
done <<EOF_ROWS
none|Im Verzeichnis "$T/none" liegt keine Konfigurationsdatei (_*.cfg).
several/|Im Verzeichnis "$T/several" liegen mehrere Konfigurationsdateien: _C.Cfg, _a.cfg, _b.cfg. Bitte eine davon nennen.
missing/_x.cfg|Die Datei oder das Verzeichnis "$T/missing/_x.cfg" wurde nicht gefunden.
EOF_ROWS

finish
