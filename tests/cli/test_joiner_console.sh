#!/usr/bin/env bash
# The joiner copy at work on damaged or moved sets: questions on stdin,
# error texts on stdout, exit status, and that a failed join leaves neither
# a target nor a temporary file (and an older target exactly as it was).
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

n=0
# new_set NAME SIZE: splits a fresh SIZE-byte source NAME into 4 KB pieces;
# sets SRC (the source) and J (the set's directory, holding the joiner).
new_set() {
    n=$((n + 1))
    SRC=$T/src$n/$1
    J=$T/set$n
    make_file "$SRC" "$2"
    split_ok "$SRC" "$J" --size 4K
}

# assert_join_failed TARGET: the closing message, nothing left behind.
assert_join_failed() {
    assert_rc 1
    assert_out_has "Fehlermeldung
Die Zieldatei \"$1\" konnte nicht erstellt werden."
    assert_out_lacks "Zusammenführung erfolgreich"
    assert_no_temp "$(dirname "$1")"
}

question() {
    printf 'Achtung: Folgende Datei wurde nicht gefunden:\n%s' "$1"
}

check "missing pieces 2 and 3, answered with the directory that holds them: one question, success"
new_set x.bin 10000
mkdir "$T/moved"
mv "$J/x.002" "$J/x.003" "$T/moved/"
run --stdin "$T/moved
" --in "$T" "$J/_x"
assert_rc 0
assert_out_has "$(question "$J/x.002")"
assert_count "$OUT" "$J/x.002" 1
assert_out_lacks "x.003"
assert_out_has "Zusammenführung erfolgreich
Die Datei \"$J/x.bin\" wurde erstellt."
assert_same "$SRC" "$J/x.bin"
assert_entries "$T/moved" x.002 x.003

check "a missing piece answered with the path of the piece itself: its directory is used"
rm "$J/x.bin"
run --stdin "$T/moved/x.002
" "$J/_x"
assert_rc 0
assert_same "$SRC" "$J/x.bin"

check "a missing piece and an empty answer: one message, no target"
rm "$J/x.bin"
run --stdin "
" "$J/_x"
assert_join_failed "$J/x.bin"
assert_count "$OUT" "Fehlermeldung" 1
assert_absent "$J/x.bin"

check "a missing piece and end of input: the older file of the target's name survives unchanged"
echo "an older x.bin" >"$J/x.bin"
cp "$J/x.bin" "$T/older"
run "$J/_x"
assert_join_failed "$J/x.bin"
assert_count "$OUT" "Fehlermeldung" 1
assert_same "$T/older" "$J/x.bin"
mv "$T/moved"/* "$J/"

check "an empty piece: two messages, no target"
rm "$J/x.bin"
cp "$J/x.002" "$T/x.002.good"
: >"$J/x.002"
run "$J/_x"
assert_join_failed "$J/x.bin"
assert_out_has "Fehlermeldung
\"$J/x.002\" hat eine Länge von Null.
Fehlermeldung
Die Zieldatei"
assert_count "$OUT" "Fehlermeldung" 2
assert_absent "$J/x.bin"

# With the checksum list, a damaged piece is named as it is appended and then
# looked for like a missing one: giving up leaves nothing, an intact copy
# elsewhere completes the file.
mkdir "$T/intact"
cp "$T/x.002.good" "$J/x.002"
cp "$J"/x.00? "$T/intact/"
for damage in "001 flip" "002 short" "003 flip"; do
    read -r k how <<<"$damage"
    check "piece $k $how: named as damaged, then asked for; giving up or an intact copy"
    if [ "$how" = flip ]; then
        byte=$(od -An -tu1 -j 100 -N 1 "$T/intact/x.$k" | tr -d ' ')
        put_bytes "$J/x.$k" 100 "$(printf '\\x%02x' $(((byte + 1) % 256)))"
    else
        head -c 4095 "$T/intact/x.$k" >"$J/x.$k"
    fi
    run --stdin "
" "$J/_x"
    assert_join_failed "$J/x.bin"
    assert_out_has "Fehlermeldung
Das Teilstück \"$J/x.$k\" ist beschädigt.
$(question "$J/x.$k")"
    assert_absent "$J/x.bin"
    run --stdin "$T/intact
" "$J/_x"
    assert_rc 0
    assert_same "$SRC" "$J/x.bin"
    assert_no_temp "$J"
    rm "$J/x.bin"
    cp "$T/intact/x.$k" "$J/x.$k"
done

check "without the checksum list a changed piece fails the whole-file check"
mv "$J/_x.sfv" "$T/x.sfv.kept"
put_bytes "$J/x.002" 100 "$(printf '\\x%02x' $((($(od -An -tu1 -j 100 -N 1 "$J/x.002" | tr -d ' ') + 1) % 256)))"
run "$J/_x"
assert_join_failed "$J/x.bin"
assert_out_has "Fehlermeldung
Die Prüfsumme der zusammengeführten Datei \"$J/x.bin\" stimmt nicht.
Fehlermeldung
Die Zieldatei \"$J/x.bin\" konnte nicht erstellt werden."
assert_absent "$J/x.bin"
mv "$T/x.sfv.kept" "$J/_x.sfv"

check "a named pipe in place of a piece counts as missing instead of stopping the joiner"
mv "$J/x.002" "$T/x.002.moved"
mkfifo "$J/x.002"
run --stdin "
" timeout 60 "$J/_x"
assert_join_failed "$J/x.bin"
assert_out_has "$(question "$J/x.002")"
rm "$J/x.002"
mv "$T/x.002.moved" "$J/x.002"

check "a stray piece beyond the count is not joined"
cp "$T/x.002.good" "$J/x.002"
make_file "$J/x.004" 100
run "$J/_x"
assert_rc 0
assert_same "$SRC" "$J/x.bin"

check "file-size limit during the join: no target, no temporary file, the older file survives"
echo "older, again" >"$J/x.bin"
cp "$J/x.bin" "$T/older"
run limit_fsize 8192 "$J/_x"
assert_join_failed "$J/x.bin"
assert_count "$OUT" "Fehlermeldung" 1
assert_same "$T/older" "$J/x.bin"

check "a directory where the target belongs: cannot be written, left alone"
new_set y.bin 5000
mkdir "$J/y.bin"
touch "$J/y.bin/keep"
run "$J/_y"
assert_rc 1
assert_text "$OUT" "Fehlermeldung
Die Zieldatei \"$J/y.bin\" konnte nicht geschrieben werden.
Is a directory"
assert_entries "$J/y.bin" keep
assert_no_temp "$J"

if [ "$CAN_DROP_PRIVILEGES" -eq 1 ]; then
    check "the joiner's directory without write permission (unprivileged user): cannot be written"
    new_set z.bin 5000
    chmod 0555 "$J"
    run as_user "$J/_z"
    assert_rc 1
    assert_text "$OUT" "Fehlermeldung
Die Zieldatei \"$J/z.bin\" konnte nicht geschrieben werden.
Permission denied"
    assert_entries "$J" z.001 z.002 _z _z.cfg _z.exe _z.sfv
else
    skip "unwritable joiner directory: running as root and setpriv is not available"
fi

# A set made where names keep their case, joined by copies whose name was
# changed to lower or upper case (as when copied through another system).
check "cfg _Film.cfg found by joiners named _Film.exe, _film.exe and _FILM.exe"
new_set Film.mkv 9000
for exe in _Film.exe _film.exe _FILM.exe; do
    c=$T/case-$exe
    mkdir "$c"
    cp "$J"/Film.00? "$J/_Film.cfg" "$c/"
    cp "$J/_Film" "$c/$exe"
    run "$c/$exe"
    assert_rc 0
    assert_out_has "Die Datei \"$c/Film.mkv\" wurde erstellt."
    assert_same "$SRC" "$c/Film.mkv"
done

check "a joiner renamed kopie.exe without kopie.cfg: asks for it, an empty answer ends quietly"
new_set w.bin 9000
mv "$J/_w" "$J/kopie.exe"
run --stdin "
" "$J/kopie.exe"
assert_rc 1
assert_out_has "$(question "$J/kopie.cfg")"
assert_out_lacks "Fehlermeldung"
assert_entries "$J" w.001 w.002 w.003 _w.cfg _w.exe _w.sfv kopie.exe

check "kopie.exe given a directory with kopie.cfg and the pieces: rebuilt beside kopie.exe"
mkdir "$T/elsewhere"
mv "$J"/w.00? "$T/elsewhere/"
cp "$J/_w.cfg" "$T/elsewhere/kopie.cfg"
run --stdin "$T/elsewhere
" "$J/kopie.exe"
assert_rc 0
assert_out_has "Die Datei \"$J/w.bin\" wurde erstellt."
assert_same "$SRC" "$J/w.bin"
assert_entries "$T/elsewhere" w.001 w.002 w.003 kopie.cfg

# A record (of another writer: ours refuses such a plan) whose file would
# be rebuilt onto the name of its own first piece.
check "a target that would overwrite piece 1: refused before anything is opened"
new_set v.bin 9000
write_cfg "$J/_v.cfg" 9000 001 v 3 "$SRC"
cp "$J/v.001" "$T/v.001.piece"
run "$J/_v"
assert_rc 1
assert_text "$OUT" "Fehlermeldung
Die Zieldatei \"$J/v.001\" ist zugleich eines der Teilstücke und wird nicht überschrieben."
assert_same "$T/v.001.piece" "$J/v.001"
assert_entries "$J" v.001 v.002 v.003 _v _v.cfg _v.exe _v.sfv

# Records that were not written by the splitter, built byte by byte.
check "hostile and impossible records are refused with the cfg's name, nothing created"
mkdir -p "$T/hostile/inner"
cp "$JOINER" "$T/hostile/inner/_h.exe"
unsafe="Der Dateiname darf weder Pfadtrenner noch Steuerzeichen enthalten und nicht \".\" oder \"..\" sein."
for record in "../evil|bin|$unsafe" "h|../../x|$unsafe" "a$(printf '\t')b|bin|$unsafe" \
    "h||Der Dateiname oder die Erweiterung fehlt."; do
    IFS='|' read -r base ext reason <<<"$record"
    write_cfg "$T/hostile/inner/_h.cfg" 10 "$ext" "$base" 1
    run "$T/hostile/inner/_h.exe"
    assert_rc 1
    assert_text "$OUT" "Fehlermeldung
Die Konfigurationsdatei \"$T/hostile/inner/_h.cfg\" ist ungültig:
$reason"
    assert_entries "$T/hostile/inner" _h.cfg _h.exe
    assert_entries "$T/hostile" inner
done
for count in 0 -1; do
    write_cfg "$T/hostile/inner/_h.cfg" 10 bin h "$count"
    run "$T/hostile/inner/_h.exe"
    assert_rc 1
    assert_out_has "ist ungültig:
Sie nennt keine Teilstücke."
    assert_entries "$T/hostile/inner" _h.cfg _h.exe
done

check "a record asking for more room than the volume has: refused with the sizes, nothing created"
write_cfg "$T/hostile/inner/_h.cfg" $((1 << 50)) bin h 2
run "$T/hostile/inner/_h.exe"
assert_rc 1
assert_out_has "Fehlermeldung
Fehler: Zu wenig Speicherplatz ("
assert_out_has ") auf \"$T/hostile/inner/\".
Sie benötigen mindestens 1024.0 TB."
assert_out_lacks "nicht gefunden"
assert_entries "$T/hostile/inner" _h.cfg _h.exe

# The search prompt is waited at with the input held open, as in a terminal.
for sig in HUP INT TERM; do
    check "given up at the search prompt by SIG$sig: no temporary file, no target, ended by the signal"
    new_set s.bin 10000
    rm "$J/s.002"
    mkfifo "$T/answer"
    # Background jobs ignore SIGINT unless told otherwise.
    env --default-signal=INT "$J/_s" <"$T/answer" >"$OUT" 2>"$ERR" &
    pid=$!
    exec 3>"$T/answer"
    for _ in $(seq 100); do
        grep -q "nicht gefunden" "$OUT" && break
        sleep 0.1
    done
    assert_out_has "$(question "$J/s.002")"
    [ -n "$(find "$J" -maxdepth 1 -name '.~portelan*')" ] || fail "no temporary file while waiting"
    kill -s "$sig" "$pid"
    set +e
    wait "$pid"
    RC=$?
    set -e
    exec 3>&-
    rm "$T/answer"
    assert_rc $((128 + $(kill -l "$sig")))
    assert_no_temp "$J"
    assert_absent "$J/s.bin"
done

check "only leftovers of killed joins go: files and links named like temporaries stay"
new_set l.bin 10000
mv "$J/l.002" "$T/l.002"
mkfifo "$T/answer"
"$J/_l" <"$T/answer" >"$OUT" 2>"$ERR" &
pid=$!
exec 3>"$T/answer"
for _ in $(seq 100); do
    grep -q "nicht gefunden" "$OUT" && break
    sleep 0.1
done
kill -s KILL "$pid"
wait "$pid" || true
exec 3>&-
rm "$T/answer"
killed=$(cd "$J" && echo .~portelan-*.tmp)
[ -f "$J/$killed" ] || fail "no leftover of the killed join: $killed"
mv "$T/l.002" "$J/l.002"
# Files of the user's named as temporaries were before, and a link that
# carries the name of the file it points at.
for i in 00 07 99; do echo "meins" >"$J/.~portelan$i.tmp"; done
echo "fremd" >"$T/victim"
ln -s "$T/victim" "$J/.~portelan-$(printf '%016x' 0).tmp"
run "$J/_l"
assert_rc 0
assert_same "$SRC" "$J/l.bin"
assert_absent "$J/$killed"
assert_eq ".~portelan-0000000000000000.tmp .~portelan00.tmp .~portelan07.tmp .~portelan99.tmp" \
    "$(cd "$J" && echo .~portelan*)" "files named like temporaries"
assert_eq "fremd" "$(cat "$T/victim")" "the link's file"
rm "$J"/.~portelan*

check "a record whose target is named like a temporary: a failed join leaves the file that was there"
new_set t.bin 10000
echo "vorher" >"$J/.~portelan00.tmp"
write_cfg "$J/_t.cfg" 10000 tmp ".~portelan00" 3
cp "$J/t.001" "$J/.~portelan00.001"
run --stdin "
" "$J/_t"
assert_rc 1
assert_eq "vorher" "$(cat "$J/.~portelan00.tmp")" "the older file"

finish
