#!/usr/bin/env bash
# Pieces rebuilt from PAR2 recovery files that par2cmdline wrote (several
# slices per piece, several volumes): by portelan-cli join, by the set's
# Linux joiner and by portelan-cli repair; par2 verify then judges the set.
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

command -v par2 >/dev/null || { echo "FAIL: par2 is missing (Debian package par2)" >&2; exit 1; }

# 18000 bytes in 4K pieces: four of 4 slices of 1024 bytes, the short last of 2.
make_file "$T/src/x.bin" 18000
split_ok "$T/src/x.bin" "$T/made" --size 4K
rm -f "$T/made"/*.par2 # ours, where the splitter writes them: these sets are par2cmdline's
for blocks in 4 8; do
    cp -r "$T/made" "$T/set$blocks"
    (cd "$T/set$blocks" && par2 create -q -q -s1024 -c$blocks -n2 _x.par2 x.00?) >/dev/null ||
        fail "par2 create with $blocks recovery blocks"
done

# name | recovery blocks | pieces deleted | pieces damaged | blocks missing (0: repairable)
cases=(
    "first lost|4|1||0"
    "middle lost|4|3||0"
    "short last lost|4|5||0"
    "one damaged|4||2|0"
    "two lost, two pieces' worth|8|1 4||0"
    "one lost, one damaged, two pieces' worth|8|5|3|0"
    "two lost, one piece's worth|4|2 3||4"
)

# break_set DIR "DELETED" "DAMAGED": the set's pieces lost and damaged.
break_set() {
    local k byte
    for k in $2; do rm "$1/$(piece x "$k")"; done
    for k in $3; do
        byte=$(od -An -tu1 -j 100 -N 1 "$1/$(piece x "$k")" | tr -d ' ')
        put_bytes "$1/$(piece x "$k")" 100 "$(printf '\\x%02x' $(((byte + 1) % 256)))"
    done
}

for row in "${cases[@]}"; do
    IFS='|' read -r name blocks deleted damaged short <<<"$row"
    for tool in join joiner repair; do
        check "$name, $tool"
        S=$T/case
        rm -rf "$S"
        cp -r "$T/set$blocks" "$S"
        break_set "$S" "$deleted" "$damaged"
        before=$(ls -A "$S")
        case $tool in
        join) run "$SPLITTER" join "$S" ;;
        joiner) run --in "$S" ./_x ;;
        repair) run "$SPLITTER" repair "$S" ;;
        esac
        if [ "$short" -ne 0 ]; then
            assert_rc 1
            # portelan-cli reports on stderr, the joiner copy in its own dialogue.
            message="Die Wiederherstellungsdaten reichen nicht aus: es fehlen $short Blöcke."
            if [ $tool = joiner ]; then assert_out_has "$message"; else assert_err_has "$message"; fi
            # Nothing written; the joiners search for the piece as before.
            [ "$(ls -A "$S")" = "$before" ] || fail "files written: $(ls -A "$S")"
            [ $tool = repair ] || assert_out_has "Achtung: Folgende Datei wurde nicht gefunden:
$S/x.002"
            continue
        fi
        assert_rc 0
        for k in $deleted $damaged; do
            if [ $tool = repair ]; then
                assert_out_has "x.00$k neu erstellt"
            else
                assert_out_has "Das Teilstück \"$S/x.00$k\" wurde aus den Wiederherstellungsdaten neu erstellt."
            fi
            assert_same "$T/made/x.00$k" "$S/x.00$k"
        done
        # A damaged piece is kept under a name that says so.
        for k in $damaged; do
            assert_exists "$S/x.00$k.defekt"
            cmp -s "$T/made/x.00$k" "$S/x.00$k.defekt" && fail "x.00$k.defekt is not the damaged piece"
        done
        [ $tool = repair ] && assert_absent "$S/x.bin" || assert_same "$T/src/x.bin" "$S/x.bin"
        (cd "$S" && par2 verify -q -q _x.par2) >/dev/null || fail "par2 verify refused the repaired set"
        assert_no_temp "$S"
    done
done

# A repair that fails on a real fault names the file with the system's reason
# below it, and leaves the set as it was: the set's directory read-only for
# an unprivileged user, repaired in place, and joined by a joiner copy in a
# directory of its own that is told where the set is.
if [ "$CAN_DROP_PRIVILEGES" -eq 1 ]; then
    # name | tool
    faults=(
        "read-only set directory, repair|repair"
        "read-only set directory, the joiner elsewhere|joiner"
    )
    for row in "${faults[@]}"; do
        IFS='|' read -r name tool <<<"$row"
        check "$name: the reason below the message, nothing written"
        S=$T/case
        W=$T/elsewhere
        rm -rf "$S" "$W"
        cp -r "$T/set4" "$S"
        break_set "$S" 2 ""
        mkdir "$W"
        cp "$S/_x" "$W/_x"
        chmod 0555 "$S"
        chmod 0777 "$W"
        before=$(ls -A "$S")
        case $tool in
        repair) run as_user "$SPLITTER" repair "$S" ;;
        joiner) run --stdin "$S
" as_user "$W/_x" ;;
        esac
        assert_rc 1
        message="Das Teilstück \"$S/x.002.neu\" konnte nicht neu erstellt werden.
Permission denied"
        if [ $tool = joiner ]; then assert_out_has "$message"; else assert_err_has "$message"; fi
        [ "$(ls -A "$S")" = "$before" ] || fail "files written: $(ls -A "$S")"
        assert_entries "$W" _x
        chmod 0755 "$S"
    done
else
    skip "repair in a read-only directory: running as root and setpriv is not available"
fi

check "verify says whether the set can be repaired"
S=$T/case
rm -rf "$S"
cp -r "$T/set4" "$S"
run "$SPLITTER" verify "$S"
assert_rc 0
assert_out_has "Wiederherstellungsdaten: 4 Blöcke, keiner wird gebraucht."
break_set "$S" 2 ""
run "$SPLITTER" verify "$S"
assert_rc 1
assert_out_has "Der Satz lässt sich reparieren (portelan-cli repair): 4 von 4 Blöcken werden gebraucht."
break_set "$S" "" 5
run "$SPLITTER" verify "$S"
assert_out_has "Der Satz lässt sich nicht reparieren: es fehlen 1 Blöcke."
rm "$S"/*.par2
run "$SPLITTER" verify "$S"
assert_out_has "Keine Wiederherstellungsdaten (_x.par2): der Satz lässt sich nicht reparieren."

check "repair: a whole set stays untouched, a set without recovery files fails, arguments"
cp -r "$T/set4" "$T/whole"
run "$SPLITTER" repair "$T/whole/_x.cfg"
assert_rc 0
assert_text "$OUT" "x.001 OK
x.002 OK
x.003 OK
x.004 OK
x.005 OK"
run "$SPLITTER" repair "$T/made"
assert_rc 1
assert_err_has "liegen keine Wiederherstellungsdaten für diesen Satz."
assert_empty "$OUT"
run "$SPLITTER" repair "$T/made" "$T/whole"
assert_rc 2

finish
