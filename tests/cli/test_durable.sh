#!/usr/bin/env bash
# What reaches the medium before success is reported, as strace sees it: each
# piece's bytes flushed, their cached pages dropped and only then read back,
# the piece flushed whole, all before the configuration file is created; each set file flushed; the directory
# flushed after its last new entry; the success text last. The same for the
# joiner's rebuilt file, read back in ranges while it grows. Then a real failure of the joiner, with the system's
# reason below the message.
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

TRACE=$T/trace

# traced CMD ARGS...: CMD under strace, every thread, with the file behind
# each descriptor. LeakSanitizer cannot run under a tracer; the other tests
# look for leaks.
traced() {
    ASAN_OPTIONS="detect_leaks=0:$ASAN_OPTIONS" strace -f -y -s 256 -o "$TRACE" -e trace=fsync,fdatasync,sync_file_range,openat,rename,renameat,renameat2,fadvise64,pread64,write,copy_file_range "$@"
}

# first_call NAME TEXT: number of the first trace line with a call of NAME
# that holds TEXT; last_call likewise the last one; empty when there is none.
first_call() { awk -v c="$1(" -v t="$2" 'index($0, c) && index($0, t) { print NR; exit }' "$TRACE"; }
last_call() { awk -v c="$1(" -v t="$2" 'index($0, c) && index($0, t) { n = NR } END { print n }' "$TRACE"; }

# in_order WHAT LINE...: each line number present and after the one before.
in_order() {
    local what=$1 previous=0 line
    shift
    for line in "$@"; do
        if [ -z "$line" ] || [ "$line" -le "$previous" ]; then
            fail "$what: trace lines out of order or missing ($*)"
        fi
        previous=$line
    done
    pass
}

if ! command -v strace >/dev/null 2>&1 || ! strace -o /dev/null true 2>/dev/null; then
    skip "strace is missing or may not trace here"
    finish
    exit 0
fi

check "split: every piece flushed, dropped from the cache and read back before the cfg; set files and directory flushed before the success text"
make_file "$T/s/x.bin" 10000
mkdir "$T/s/out"
out=$T/s/out
run traced "$SPLITTER" split "$T/s/x.bin" "$out" --size 4K
assert_rc 0
success=$(first_call write "Die Datei wurde erfolgreich aufgeteilt")
cfg=$(first_call openat "\"$out/_x.cfg\"")
for k in 1 2 3; do
    piece="<$out/x.00$k>"
    in_order "piece $k" "$(first_call openat "\"$out/x.00$k\"")" "$(first_call sync_file_range "$piece, 0, ")" \
        "$(first_call fadvise64 "$piece, 0, ")" "$(first_call pread64 "$piece")" \
        "$(first_call fsync "$piece")" "$cfg"
done
set_files=(_x.cfg _x _x.sfv)
[ -z "$WINDOWS_JOINER" ] || set_files+=(_x.exe)
for name in "${set_files[@]}"; do
    in_order "$name" "$(first_call openat "\"$out/$name\"")" "$(first_call fsync "<$out/$name>")" "$success"
done
last_entry=$(last_call openat "O_CREAT")
in_order "the directory" "$last_entry" "$(last_call fsync "<$out>)")" "$success"
assert_same "$T/s/x.bin" <(cat "$out"/x.00[123])

check "join: the rebuilt file flushed in ranges, dropped from the cache and read back as it grows, flushed whole, renamed, the directory flushed, then the success text"
run --in "$out" traced ./_x
assert_rc 0
# The temporary's final name carries its identity: take it from the rename.
name=$(sed -n "s|.*rename(\"$out/\(\.~portelan-[0-9a-f]*\.tmp\)\", \"$out/x.bin\".*|\1|p" "$TRACE" | head -n 1)
temporary="<$out/$name>"
renamed=$(first_call rename "\"$out/$name\", \"$out/x.bin\"")
dropped=$(first_call fadvise64 "$temporary, 0, ")
# The pieces' sums read the temporary from the cache as well: the check-back
# is the read through the open file of its own that the read-back takes
# (through /proc/self/fd), else the first read after the cache was dropped.
own_fd=$(awk -v t="$temporary" 'index($0, "openat(") && index($0, "/proc/self/fd/") && index($0, "= ") {
    r = substr($0, index($0, "= ") + 2); if (index(r, t)) { sub(/<.*/, "", r); print r; exit } }' "$TRACE")
read_back=$(awk -v from="$dropped" -v fd="$own_fd" -v t="$temporary" \
    'BEGIN { call = fd == "" ? "pread64(" : "pread64(" fd "<" } NR > from && index($0, call) && index($0, t) { print NR; exit }' "$TRACE")
last_write=$(last_call copy_file_range "$temporary")
flushed=$(first_call fsync "$temporary")
in_order "the rebuilt file" "$(first_call sync_file_range "$temporary, 0, ")" "$dropped" "$read_back" "$flushed" \
    "$renamed" "$(last_call fsync "<$out>)")" "$(first_call write "wurde erstellt.")"
in_order "its last byte" "$last_write" "$(last_call sync_file_range "$temporary")" "$flushed"
assert_same "$T/s/x.bin" "$out/x.bin"

# A piece read back in several ranges while it is written: each range drops
# its own pages, never the whole file's (a walk over all its pages for every
# range), and the piece is opened for reading back once at most, not per range.
check "split of a piece read back in ranges: each drops its own pages, one open for reading back"
make_file "$T/r/x.bin" $((20 * 1024 * 1024))
mkdir "$T/r/out"
run traced "$SPLITTER" split "$T/r/x.bin" "$T/r/out" --size 16M --recovery 0
assert_rc 0
first="$T/r/out/x.001>"
assert_count "$TRACE" "$first, 8388608, 8388608, POSIX_FADV_DONTNEED" 1
assert_count "$TRACE" "$first, 0, 0, POSIX_FADV_DONTNEED" 0
own_opens=$(awk -v t="$first" 'index($0, "openat(") && index($0, "/proc/self/fd/") && index($0, t)' "$TRACE" | wc -l)
# At most: strace may split a call from another thread's lines in two.
[ "$own_opens" -le 1 ] || fail "x.001 opened for reading back $own_opens times"
pass

# A set whose rebuilt file cannot be written: the reason below the message,
# exit 1, the pieces as they were and nothing left behind.
check "join under a file-size limit: the reason, exit 1, nothing left behind"
make_file "$T/j/x.bin" 20000
mkdir "$T/j/out"
split_ok "$T/j/x.bin" "$T/j/out" --size 8K
run --in "$T/j/out" limit_fsize 8192 ./_x
assert_rc 1
assert_out_has "Die Zieldatei \"$T/j/out/x.bin\" konnte nicht erstellt werden.
File too large"
assert_out_lacks "erfolgreich"
assert_absent "$T/j/out/x.bin"
assert_no_temp "$T/j/out"
assert_same "$T/j/x.bin" <(cat "$T/j/out"/x.00[123])

finish
