#!/usr/bin/env bash
# Real faults while the splitter writes a set: file-size limits, a full
# device, names taken by directories, directories the user may not write.
# Each must end with exit 1, the exact message with the system's reason (in
# the C locale) on a line of its own, and a set that is visibly
# incomplete (earlier pieces complete, nothing after the failing piece).
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

P=4096

# assert_split_error MESSAGE: the error window on stderr, its status on stdout.
assert_split_error() {
    assert_rc 1
    assert_text "$ERR" "Fehlermeldung
$1"
    assert_out_has "Bitte warten...
Ein Fehler ist aufgetreten."
}

# The first piece stops at the limit: its name in the message, no later piece.
check "file-size limit below the piece size: piece 1 cut at the limit, no further files"
make_file "$T/a/x.bin" $((3 * 8192))
mkdir "$T/a/out"
run limit_fsize 4096 "$SPLITTER" split "$T/a/x.bin" "$T/a/out" --size 8K
assert_split_error "In die Datei \"$T/a/out/x.001\" konnte nicht geschrieben werden.
File too large"
assert_out_lacks "erfolgreich"
assert_entries "$T/a/out" x.001
assert_size "$T/a/out/x.001" 4096
assert_same <(head -c 4096 "$T/a/x.bin") "$T/a/out/x.001"

# Every piece of a set has the same size, so a per-file limit cannot stop
# piece 2 alone; a piece name bound to /dev/full (writes fail with ENOSPC)
# can, for root as well.
check "piece 2 on a full device: piece 1 complete, no piece 3, no cfg, no exe"
make_file "$T/b/x.bin" $((3 * P))
mkdir "$T/b/out"
ln -s /dev/full "$T/b/out/x.002"
run "$SPLITTER" split "$T/b/x.bin" "$T/b/out" --size 4K
assert_split_error "In die Datei \"$T/b/out/x.002\" konnte nicht geschrieben werden.
No space left on device"
assert_entries "$T/b/out" x.001 x.002
assert_same <(head -c $P "$T/b/x.bin") "$T/b/out/x.001"

check "a directory where piece 2 belongs: cannot be opened, piece 1 complete, nothing after it"
make_file "$T/c/x.bin" $((3 * P))
mkdir -p "$T/c/out/x.002"
run "$SPLITTER" split "$T/c/x.bin" "$T/c/out" --size 4K
assert_split_error "Die Datei \"$T/c/out/x.002\" konnte nicht geöffnet werden.
Is a directory"
assert_entries "$T/c/out" x.001 x.002
assert_entries "$T/c/out/x.002"
assert_same <(head -c $P "$T/c/x.bin") "$T/c/out/x.001"

# Pieces of 500 bytes fit under a 512-byte limit, the 536-byte record does not.
check "file-size limit below the configuration record: cfg deleted, no exe"
make_file "$T/d/x.bin" 1000
mkdir "$T/d/out"
run limit_fsize 512 "$SPLITTER" split "$T/d/x.bin" "$T/d/out" --size 500
assert_rc 1
assert_text "$ERR" "Fehlermeldung
Fehler beim Schreiben in die Datei \"$T/d/out/_x.cfg\".
File too large"
assert_out_has "Ein Fehler ist aufgetreten.
CFG-Datei wurde gelöscht."
assert_entries "$T/d/out" x.001 x.002
assert_same <(head -c 500 "$T/d/x.bin") "$T/d/out/x.001"
assert_same <(tail -c 500 "$T/d/x.bin") "$T/d/out/x.002"

check "a directory named like the configuration file: not created, no exe, pieces complete"
make_file "$T/e/x.bin" 5000
mkdir -p "$T/e/out/_x.cfg"
run "$SPLITTER" split "$T/e/x.bin" "$T/e/out" --size 4K
assert_rc 1
assert_text "$ERR" "Fehlermeldung
Die Konfigurationsdatei (*.cfg) konnte nicht erzeugt werden.
Is a directory"
assert_entries "$T/e/out" x.001 x.002 _x.cfg
assert_same "$T/e/x.bin" <(cat "$T/e/out/x.001" "$T/e/out/x.002")

# The joiner copies are larger than 8 KB in every build.
check "file-size limit below the joiner copy: CONCAT-04, the cfg stays, exit 1"
make_file "$T/f/x.bin" 10000
mkdir "$T/f/out"
run limit_fsize 8192 "$SPLITTER" split "$T/f/x.bin" "$T/f/out" --size 4K
assert_rc 1
assert_text "$ERR" "Fehlermeldung
Interner Fehler [CONCAT-04]
File too large"
# The set's own status still follows the internal error.
assert_out_has "Die Datei wurde erfolgreich aufgeteilt..."
assert_entries "$T/f/out" x.001 x.002 x.003 _x.cfg _x.exe
assert_size "$T/f/out/_x.cfg" 536
assert_same "$T/f/x.bin" <(cat "$T/f/out"/x.00[123])

check "a directory named like the joiner copy: CONCAT-03, the cfg stays"
make_file "$T/g/x.bin" 5000
mkdir -p "$T/g/out/_x.exe"
run "$SPLITTER" split "$T/g/x.bin" "$T/g/out" --size 4K
assert_rc 1
assert_text "$ERR" "Fehlermeldung
Interner Fehler [CONCAT-03]
Is a directory"
assert_entries "$T/g/out" x.001 x.002 _x.cfg _x.exe
assert_size "$T/g/out/_x.cfg" 536

# 251 + ".dat" is a legal source name and its pieces fit, but "_<B>.cfg" has
# 256 bytes, one more than a file name may have.
# Each piece read back for the checksum holds a descriptor while it waits.
check "999 one-byte pieces under a limit of 16 open files: complete"
make_file "$T/fd/x.bin" 999
mkdir "$T/fd/out"
# shellcheck disable=SC2016 # expanded by the inner shell
run bash -c 'ulimit -n 16 && exec "$@"' sh "$SPLITTER" split "$T/fd/x.bin" "$T/fd/out" --size 1
assert_rc 0
assert_same "$T/fd/x.bin" <(cat "$T/fd/out"/x.[0-9][0-9][0-9])

check "set file names too long for the file system: the pieces stay, cfg not created"
long=$(printf 'n%.0s' $(seq 251))
make_file "$T/n/$long.dat" 5000
mkdir "$T/n/out"
run "$SPLITTER" split "$T/n/$long.dat" "$T/n/out" --size 4K
assert_rc 1
assert_text "$ERR" "Fehlermeldung
Die Konfigurationsdatei (*.cfg) konnte nicht erzeugt werden.
File name too long"
assert_entries "$T/n/out" "$long.001" "$long.002"
assert_same "$T/n/$long.dat" <(cat "$T/n/out/$long.001" "$T/n/out/$long.002")

if [ "$CAN_DROP_PRIVILEGES" -eq 1 ]; then
    check "a target directory without write permission (unprivileged user): piece 1 cannot be opened"
    make_file "$T/h/x.bin" 5000
    mkdir "$T/h/out"
    chmod 0755 "$T/h"
    chmod 0644 "$T/h/x.bin"
    chmod 0555 "$T/h/out"
    run as_user "$SPLITTER" split "$T/h/x.bin" "$T/h/out" --size 4K
    assert_split_error "Die Datei \"$T/h/out/x.001\" konnte nicht geöffnet werden.
Permission denied"
    assert_out_has "Sie erzeugen 1 Datei je 4.0 KB"
    assert_entries "$T/h/out"

    check "a source the unprivileged user may not read: the source cannot be opened, no pieces"
    make_file "$T/i/x.bin" 5000
    mkdir "$T/i/out"
    chmod 0755 "$T/i"
    chmod 0200 "$T/i/x.bin" # unreadable for anyone but root, whoever runs the test
    chmod 0777 "$T/i/out"
    run as_user "$SPLITTER" split "$T/i/x.bin" "$T/i/out" --size 4K
    assert_split_error "Die Datei \"$T/i/x.bin\" konnte nicht geöffnet werden.
Permission denied"
    assert_entries "$T/i/out"
else
    skip "permission checks: running as root and setpriv is not available"
fi

finish
