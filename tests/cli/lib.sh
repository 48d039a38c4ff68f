# shellcheck shell=bash disable=SC2034 # the variables are for the sourcing scripts
# Shared set-up and assertions for the shell tests of portelan-cli and
# portelanconcat. Sourced by every tests/cli/test_*.sh with the directory
# that holds both programs as its first argument:
#
#     source "$(dirname "$0")/lib.sh" "$@"
#
# Every assertion stops the script at the first failure with what was
# expected, what was found, and the output of the last program run.

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: bash $(basename "$0") BIN_DIR" >&2
    exit 2
fi
BIN_DIR=$(cd "$1" && pwd -P)
SPLITTER=$BIN_DIR/portelan-cli
JOINER=$BIN_DIR/portelanconcat
for program in "$SPLITTER" "$JOINER"; do
    if [ ! -x "$program" ]; then
        echo "FAIL: $program is missing or not executable" >&2
        exit 1
    fi
done

# The Windows joiner that the splitter carries as every set's "_<base>.exe";
# empty in a build that leaves it out (PORTELAN_OTHER_JOINER off).
WINDOWS_JOINER=$BIN_DIR/../other-joiner/bin/PortelanConcat.exe
[ -f "$WINDOWS_JOINER" ] || WINDOWS_JOINER=""

# Byte-wise comparisons and a stable sort order; the programs print UTF-8.
export LC_ALL=C
umask 022

# A sanitizer report must never pass for an ordinary "exit 1" of a refusal.
export ASAN_OPTIONS="exitcode=86${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="exitcode=86:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export TSAN_OPTIONS="exitcode=86${TSAN_OPTIONS:+:$TSAN_OPTIONS}"

# The joiner is built without sanitizers when it does not link their runtime.
if readelf -d "$JOINER" 2>/dev/null | grep -qE 'lib(asan|tsan|ubsan)'; then
    SANITIZED=1
else
    SANITIZED=0
fi

T=$(mktemp -d "${TMPDIR:-/tmp}/portelan-cli.XXXXXX")
T=$(cd "$T" && pwd -P) # the programs print physical paths
# Traversable for the unprivileged user that some checks run as.
chmod 0755 "$T"
cleanup() {
    chmod -R u+rwX "$T" 2>/dev/null || true
    rm -rf "$T"
}
trap cleanup EXIT

RUN_DIR=$T/.run
mkdir "$RUN_DIR"
OUT=$RUN_DIR/stdout
ERR=$RUN_DIR/stderr
IN=$RUN_DIR/stdin
RC=0
LAST_CMD=""
CHECKS=0

echo "== $(basename "$0") ($BIN_DIR, sanitized=$SANITIZED)"

# Prints what is being checked.
check() {
    echo "-- $*"
}

fail() {
    {
        echo "FAIL: $*"
        if [ -n "$LAST_CMD" ]; then
            echo "   last command: $LAST_CMD (exit $RC)"
            echo "   --- stdout ---"
            sed 's/^/   | /' "$OUT" 2>/dev/null || true
            echo "   --- stderr ---"
            sed 's/^/   | /' "$ERR" 2>/dev/null || true
        fi
    } >&2
    exit 1
}

pass() {
    CHECKS=$((CHECKS + 1))
}

# run [--stdin TEXT] [--in DIR] CMD ARGS...
# Runs CMD with its output in $OUT and $ERR and its exit status in $RC.
# Without --stdin the program reads an empty input (so a question is answered
# with "give up" instead of hanging).
run() {
    local input="" dir=""
    while :; do
        case "$1" in
        --stdin) input=$2; shift 2 ;;
        --in) dir=$2; shift 2 ;;
        *) break ;;
        esac
    done
    printf '%s' "$input" >"$IN"
    LAST_CMD="$*"
    [ -n "$dir" ] && LAST_CMD="(in $dir) $LAST_CMD"
    set +e
    if [ -n "$dir" ]; then
        (cd "$dir" && "$@") <"$IN" >"$OUT" 2>"$ERR"
    else
        "$@" <"$IN" >"$OUT" 2>"$ERR"
    fi
    RC=$?
    set -e
    if grep -qE 'Sanitizer|runtime error:' "$ERR"; then
        fail "sanitizer report"
    fi
}

# limit_fsize BYTES CMD ARGS...: CMD under a file-size limit (RLIMIT_FSIZE).
# POSIX mode makes bash's ulimit -f count 512-byte blocks.
limit_fsize() {
    local bytes=$1
    shift
    if [ $((bytes % 512)) -ne 0 ]; then
        echo "limit_fsize: $bytes is not a multiple of 512" >&2
        exit 1
    fi
    bash -o posix -c 'ulimit -f "$0" && exec "$@"' $((bytes / 512)) "$@"
}

# CAN_DROP_PRIVILEGES=1 when as_user can run a program as someone that file
# permissions apply to.
if [ "$(id -u)" -ne 0 ]; then
    CAN_DROP_PRIVILEGES=1
elif command -v setpriv >/dev/null 2>&1; then
    CAN_DROP_PRIVILEGES=1
else
    CAN_DROP_PRIVILEGES=0
fi

# as_user CMD ARGS...: CMD as an unprivileged user (root ignores permission bits).
as_user() {
    if [ "$(id -u)" -ne 0 ]; then
        "$@"
        return
    fi
    setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
}

skip() {
    echo "SKIP: $*"
}

assert_rc() {
    [ "$RC" -eq "$1" ] || fail "exit status: expected $1, got $RC"
    pass
}

# assert_has FILE TEXT: TEXT (may span lines) occurs in FILE.
assert_has() {
    local content
    content=$(cat "$1")
    [[ "$content" == *"$2"* ]] || fail "$(basename "$1") lacks:
$2"
    pass
}

assert_lacks() {
    local content
    content=$(cat "$1")
    [[ "$content" != *"$2"* ]] || fail "$(basename "$1") unexpectedly holds:
$2"
    pass
}

assert_out_has() { assert_has "$OUT" "$1"; }
assert_err_has() { assert_has "$ERR" "$1"; }
assert_out_lacks() { assert_lacks "$OUT" "$1"; }
assert_err_lacks() { assert_lacks "$ERR" "$1"; }

# assert_text FILE EXPECTED: the whole file is EXPECTED plus a final newline.
assert_text() {
    local expected=$RUN_DIR/expected
    printf '%s\n' "$2" >"$expected"
    if ! cmp -s "$expected" "$1"; then
        fail "$(basename "$1") differs from the expected text (- expected, + actual):
$(diff -u "$expected" "$1" | tail -n +3)"
    fi
    pass
}

assert_empty() {
    [ ! -s "$1" ] || fail "$(basename "$1") should be empty"
    pass
}

# count_of FILE TEXT: how often TEXT (one line) occurs in FILE.
count_of() {
    { grep -oF -- "$2" "$1" || true; } | wc -l
}

assert_count() {
    local n
    n=$(count_of "$1" "$2")
    [ "$n" -eq "$3" ] || fail "\"$2\" should appear $3 time(s) in $(basename "$1"), found $n"
    pass
}

assert_eq() {
    [ "$1" = "$2" ] || fail "$3: expected \"$1\", got \"$2\""
    pass
}

assert_exists() {
    [ -e "$1" ] || [ -L "$1" ] || fail "missing: $1"
    pass
}

assert_absent() {
    if [ -e "$1" ] || [ -L "$1" ]; then
        fail "should not exist: $1"
    fi
    pass
}

assert_size() {
    [ -f "$1" ] || fail "not a regular file: $1"
    local size
    size=$(stat -c %s "$1")
    [ "$size" -eq "$2" ] || fail "size of $1: expected $2, got $size"
    pass
}

# assert_same EXPECTED ACTUAL: byte-identical files.
assert_same() {
    [ -e "$2" ] || fail "missing: $2"
    local result
    if ! result=$(cmp "$1" "$2" 2>&1); then
        fail "$2 differs from $1: ${result:-no output from cmp}"
    fi
    pass
}

# assert_entries DIR NAME...: DIR holds exactly these names (hidden ones too).
assert_entries() {
    local dir=$1
    shift
    local expected actual
    expected=$(if [ $# -gt 0 ]; then printf '%s\n' "$@"; fi | sort)
    actual=$(ls -A "$dir" | sort) # names hold no newline here
    if [ "$expected" != "$actual" ]; then
        fail "entries of $dir (- expected, + actual):
$(diff <(echo "$expected") <(echo "$actual") | grep '^[<>]' | sed 's/^</-/; s/^>/+/')"
    fi
    pass
}

# No temporary file of a join is left in DIR.
assert_no_temp() {
    local left
    left=$(find "$1" -maxdepth 1 -name '.~portelan*' | head -1)
    [ -z "$left" ] || fail "temporary file left behind: $left"
    pass
}

# make_file PATH SIZE: SIZE random bytes.
make_file() {
    mkdir -p "$(dirname "$1")"
    head -c "$2" /dev/urandom >"$1"
    [ "$(stat -c %s "$1")" -eq "$2" ] || fail "could not create $1 with $2 bytes"
}

# piece NAME-WITHOUT-NUMBER K: the piece file name "<B>.%03d".
piece() {
    printf '%s.%03d' "$1" "$2"
}

# split_ok SOURCE TARGETDIR [ARGS...]: a split that must succeed.
split_ok() {
    mkdir -p "$2"
    run "$SPLITTER" split "$@"
    [ "$RC" -eq 0 ] || fail "split of $1 failed with exit $RC"
    assert_out_has "Die Datei wurde erfolgreich aufgeteilt..."
}

# Little-endian bytes of an integer as printf escapes.
le_bytes() {
    local value=$1 count=$2 i text=""
    for ((i = 0; i < count; i++)); do
        text+=$(printf '\\x%02x' $(((value >> (8 * i)) & 255)))
    done
    printf '%s' "$text"
}

# put_bytes FILE OFFSET PRINTF-ESCAPES: overwrites bytes in place.
put_bytes() {
    # shellcheck disable=SC2059
    printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# put_text FILE OFFSET TEXT
put_text() {
    printf '%s' "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# write_cfg FILE SIZE EXTENSION BASE COUNT [CRC-SOURCE-FILE [MARKER]]
# Builds a 536-byte configuration record from its byte layout, independent of
# the programs: type word, reserved (zero, or a marker with a CRC), source
# size, extension and base name as NUL-padded 256-byte fields (their bytes as
# given), piece count, reserved. With CRC-SOURCE-FILE the record carries the
# marker ("PC32" unless given: names in Windows-1252; "PU32": in UTF-8) and
# that file's CRC-32, taken from the trailer that gzip writes (little-endian).
write_cfg() {
    local file=$1 size=$2 ext=$3 base=$4 count=$5 crcsource=${6:-} marker=${7:-PC32}
    rm -f "$file"
    truncate -s 536 "$file"
    put_bytes "$file" 0 "$(le_bytes $((0x0040A444)) 4)"
    put_bytes "$file" 8 "$(le_bytes "$size" 8)"
    put_text "$file" 16 "$ext"
    put_text "$file" 272 "$base"
    put_bytes "$file" 528 "$(le_bytes "$count" 4)"
    if [ -n "$crcsource" ]; then
        put_text "$file" 4 "$marker"
        gzip -c <"$crcsource" | tail -c 8 | head -c 4 | dd of="$file" bs=1 seek=532 conv=notrunc status=none
    fi
    [ "$(stat -c %s "$file")" -eq 536 ] || fail "write_cfg produced a record of the wrong size"
}

finish() {
    echo "OK: $(basename "$0"), $CHECKS assertions"
}
