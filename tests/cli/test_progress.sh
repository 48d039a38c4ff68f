#!/usr/bin/env bash
# Progress in bytes on a terminal (script(1) gives the programs a real one):
# one line redrawn in place with speed and time left, then the summary; with
# --quiet nothing. Through a pipe only the summary (see test_roundtrip.sh).
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

command -v script >/dev/null || { echo "FAIL: script is missing (Debian package util-linux)" >&2; exit 1; }

# on_terminal FILE COMMAND...: runs COMMAND with all three streams on a
# terminal, its output (carriage returns kept) in FILE.
on_terminal() {
    local file=$1
    shift
    LAST_CMD="(terminal) $*"
    script -qec "$(printf '%q ' "$@")" /dev/null </dev/null >"$file"
    RC=$?
}

# The line at 100 %, drawn over the earlier ones, and the summary after it.
line=$'\r''24\.0 MB von 24\.0 MB \(100 %\), [0-9]+,[0-9] MB/s, noch 0:00, Teilstück big\.[0-9]{3}'$'\e''\[K'
summary='24\.0 MB VERB in [0-9]+,[0-9] s, [0-9]+,[0-9] MB/s\.'

make_file "$T/src/big.bin" $((24 << 20))
mkdir "$T/set"

# Rows: what runs | the summary's verb.
check "split, verify, join and the joiner copy: the in-place line at 100 %, then the summary"
while IFS='|' read -r what verb; do
    # shellcheck disable=SC2086 # the command splits on purpose
    on_terminal "$T/tty" $what
    assert_rc 0
    tr -d '\n' <"$T/tty" | grep -qaE "$line.*${summary/VERB/$verb}" ||
        fail "$what: no in-place line at 100 % followed by the summary: $(cat -v "$T/tty")"
    pass
    [ ! -e "$T/set/big.bin" ] || rm "$T/set/big.bin"
done <<EOF_ROWS
$SPLITTER split $T/src/big.bin $T/set --size 10M|aufgeteilt
$SPLITTER verify $T/set|geprüft
$SPLITTER join $T/set|zusammengesetzt
$T/set/_big|zusammengesetzt
EOF_ROWS

check "--quiet on a terminal: no progress, no summary, no plan"
rm -r "$T/set" && mkdir "$T/set"
on_terminal "$T/tty" "$SPLITTER" split "$T/src/big.bin" "$T/set" --size 10M --quiet
assert_rc 0
assert_size "$T/set/big.003" $((4 << 20))
[ ! -s "$T/tty" ] || fail "quiet split printed: $(cat -v "$T/tty")"
pass
on_terminal "$T/tty" "$SPLITTER" verify -q "$T/set"
assert_rc 0
[ ! -s "$T/tty" ] || fail "quiet verify printed: $(cat -v "$T/tty")"
pass

finish
