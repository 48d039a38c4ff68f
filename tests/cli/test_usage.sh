#!/usr/bin/env bash
# The splitter's command line (usage errors, the piece-size argument and its
# cap) and the joiner as a file that must run where nothing of ours is installed.
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

make_file "$T/src/in.bin" 5000
mkdir "$T/target"

# usage_error ARGS...: exit 2, the usage text on stderr, nothing else done.
usage_error() {
    run --in "$T" "$SPLITTER" "$@"
    assert_rc 2
    assert_err_has "Aufruf: portelan-cli split QUELLDATEI ZIELVERZEICHNIS [--size GROESSE]"
    assert_empty "$OUT"
    assert_entries "$T/target"
}

check "usage errors: no arguments, unknown command, missing target, extra argument"
usage_error
usage_error frobnicate src/in.bin target
usage_error split src/in.bin
usage_error split
usage_error split src/in.bin target extra

# The version the build was configured with.
version=$(sed -n 's/^project(Portelan VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
check "--help, -h, --version and -V answer on standard output with exit 0"
for flag in --help -h; do
    run "$SPLITTER" "$flag"
    assert_rc 0
    assert_out_has "Aufruf: portelan-cli split QUELLDATEI ZIELVERZEICHNIS [--size GROESSE]"
    assert_out_has "portelan-cli --version | -V"
    assert_empty "$ERR"
done
for flag in --version -V; do
    run "$SPLITTER" "$flag"
    assert_rc 0
    assert_text "$OUT" "portelan-cli $version"
    assert_empty "$ERR"
done
usage_error --versions
usage_error -v

check "usage errors of join: two arguments, an empty one"
usage_error join src target
assert_err_has "portelan-cli: join erwartet höchstens ein VERZEICHNIS oder eine KONFIGURATIONSDATEI"
usage_error join ""
assert_err_has "portelan-cli join [VERZEICHNIS | KONFIGURATIONSDATEI]"

check "usage errors: malformed piece sizes and --size without a value"
for bad in junk "" K 4KB 12X 1.5M "4 K" 0x10 --size; do
    usage_error split src/in.bin target --size "$bad"
done
usage_error split src/in.bin target --size=junk
usage_error split src/in.bin target --size

# The plan is stopped by /proc's zero free bytes, so nothing is written: the
# plan fields show the piece size that was used. With 2^30+1 bytes of source,
# "1.0 GB" (at least 2^30) together with 2 pieces (less than 2^30+1) means
# exactly 2^30.
check "piece sizes above the cap are lowered to 1073741824 bytes"
truncate -s $(((1 << 30) + 1)) "$T/src/sparse.bin"
for size in 5000M 1025M 1048577K 1073741825 99999999999999999999 1024M 1048576K 1073741824; do
    run "$SPLITTER" split "$T/src/sparse.bin" /proc --size "$size" --recovery 0
    assert_rc 1
    assert_out_has "  Ziel
    Pfad:      /proc/
    Anzahl:    2
    Grösse:    1.0 GB
    Wiederherstellung: keine
  Hinweise
    Warnung: Es sind nur noch 0 Bytes auf \"/proc/\" frei.
    Sie benötigen aber ca. 1.0 GB."
done

check "one byte below the cap is not raised"
run "$SPLITTER" split "$T/src/sparse.bin" /proc --size 1073741823
assert_rc 1
assert_out_has "    Grösse:    1024.0 MB
    Wiederherstellung: 3 Dateien, zusammen 1.0 GB
  Hinweise"

check "the default piece size is the diskette (1457664 bytes)"
truncate -s 1457665 "$T/src/disk.bin"
for args in "" "--size disk"; do
    # shellcheck disable=SC2086
    run "$SPLITTER" split "$T/src/disk.bin" /proc $args
    assert_rc 1
    assert_out_has "    Anzahl:    2
    Grösse:    1.4 MB"
done
truncate -s 1457664 "$T/src/disk.bin"
run "$SPLITTER" split "$T/src/disk.bin" /proc
assert_out_has "    Anzahl:    1
"

# Sanitizer builds link their runtime into the joiner; only the shipped
# build must stand alone.
if [ "$SANITIZED" -eq 0 ]; then
    check "the joiner needs nothing but the C library and is at most 512 KB"
    needed=$(readelf -d "$JOINER" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
    echo "   NEEDED: $needed"
    for lib in $needed; do
        case "$lib" in
        libc.so.6 | ld-linux-*.so.* | ld-linux.so.*) ;;
        *) fail "the joiner needs $lib (all: $needed)" ;;
        esac
    done
    [[ " $needed " == *" libc.so.6 "* ]] || fail "libc.so.6 not among the joiner's needs: $needed"
    pass
    size=$(stat -c %s "$JOINER")
    echo "   size of portelanconcat: $size bytes"
    [ "$size" -le 524288 ] || fail "the joiner has $size bytes, more than 524288"
    pass
else
    skip "joiner dependencies and size: sanitizer build"
fi

finish
