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
    assert_err_has "Aufruf: portelan-cli split QUELLDATEI ZIELVERZEICHNIS [--size GROESSE | --count ANZAHL]"
    assert_empty "$OUT"
    assert_entries "$T/target"
}

# Rows: arguments (split at blanks) | the problem named on stderr.
check "usage errors name the problem on stderr, with the usage, and nothing on stdout"
while IFS='|' read -r args problem; do
    # shellcheck disable=SC2086 # the arguments split on purpose
    usage_error $args
    assert_err_has "portelan-cli: $problem
Aufruf: "
done <<'EOF_ROWS'
|Befehl fehlt
frobnicate src/in.bin target|unbekannter Befehl: frobnicate
split src/in.bin|QUELLDATEI und ZIELVERZEICHNIS erwartet
split|QUELLDATEI und ZIELVERZEICHNIS erwartet
split src/in.bin target extra|QUELLDATEI und ZIELVERZEICHNIS erwartet
split src/in.bin target --frob|unbekannte Option: --frob
split -x src/in.bin target|unbekannte Option: -x
verify --jsn|unbekannte Option: --jsn
join --json|unbekannte Option: --json
update now|update erwartet keine Argumente
split src/in.bin target --size|Wert fehlt oder ist zu viel bei --size
split src/in.bin target --size=4Q|ungültige GROESSE: "4Q"
split src/in.bin target --size FAT32|ungültige GROESSE: "FAT32"
split src/in.bin target --count 3x|ungültige ANZAHL: "3x"
split src/in.bin target --count=|Wert fehlt oder ist zu viel bei --count
split src/in.bin target --count -3|ungültige ANZAHL: "-3"
split src/in.bin target --size 4K --count 3|--size und --count schliessen einander aus
help frobnicate|unbekannter Befehl: frobnicate
help split join|help erwartet höchstens einen BEFEHL
--version split|unbekannte Option: --version
EOF_ROWS

check "in English (LC_ALL=en_US.UTF-8): the problem and the usage in English"
while IFS='|' read -r args problem; do
    # shellcheck disable=SC2086 # the arguments split on purpose
    run --in "$T" env LANGUAGE= LC_ALL=en_US.UTF-8 "$SPLITTER" $args
    assert_rc 2
    assert_err_has "portelan-cli: $problem
Usage: portelan-cli split SOURCE TARGETDIR [--size SIZE | --count COUNT] [--recovery N] [--quiet]"
    assert_err_has "Exit status 0: done, 1: refused or failed, 2: usage error."
    assert_err_lacks "Aufruf"
    assert_empty "$OUT"
    assert_entries "$T/target"
done <<'EOF_ROWS'
|no command given
split src/in.bin|SOURCE and TARGETDIR expected
split src/in.bin target --size=4Q|invalid SIZE: "4Q"
split src/in.bin target --size 4K --count 3|--size and --count exclude each other
help split join|help takes at most one COMMAND
EOF_ROWS
run env LANGUAGE= LC_ALL=en_US.UTF-8 "$SPLITTER" help split
assert_rc 0
assert_out_has "  SIZE: disk (1457664 bytes, default), cd650 (681984000 bytes),"

check "help per command: 'help COMMAND' and 'COMMAND --help' print the command's usage, as the whole usage has it"
"$SPLITTER" --help >"$T/usage"
for command in split join verify repair update help; do
    run "$SPLITTER" help "$command"
    assert_rc 0
    assert_empty "$ERR"
    cp "$OUT" "$T/help-$command"
    synopsis=$(head -n 1 "$OUT")
    [[ $synopsis == "Aufruf: portelan-cli $command"* ]] || fail "help $command starts with: $synopsis"
    assert_has "$T/usage" "portelan-cli ${synopsis#Aufruf: portelan-cli }"
    assert_out_has "Ende mit 0: erledigt, 1: abgelehnt oder gescheitert, 2: Fehler im Aufruf."
    for flags in "$command --help" "$command -h" "--help $command"; do
        # shellcheck disable=SC2086
        run "$SPLITTER" $flags
        assert_rc 0
        assert_empty "$ERR"
        assert_text "$OUT" "$(cat "$T/help-$command")"
    done
done

check "--size=SIZE is --size SIZE; after -- a name may start with '-'"
cp "$T/src/in.bin" "$T/src/-in.bin"
# Rows: arguments of split | target | base name of the pieces.
while IFS='|' read -r args target base; do
    mkdir "$T/$target"
    # shellcheck disable=SC2086
    run --in "$T" "$SPLITTER" split $args
    assert_rc 0
    assert_size "$T/$target/$base.001" 4096
    assert_size "$T/$target/$base.002" 904
done <<'EOF_ROWS'
--size=4K src/in.bin t1|t1|in
src/in.bin t2 --size 4K|t2|in
--size 4K -- src/-in.bin t3|t3|-in
-q --size 4K -- src/-in.bin t4|t4|-in
EOF_ROWS
# The last row was quiet, and no terminal shows progress: nothing at all.
assert_empty "$OUT"
assert_empty "$ERR"

# The version the build was configured with.
version=$(sed -n 's/^project(Portelan VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
check "--help, -h, --version and -V answer on standard output with exit 0"
for flag in --help -h; do
    run "$SPLITTER" "$flag"
    assert_rc 0
    assert_out_has "Aufruf: portelan-cli split QUELLDATEI ZIELVERZEICHNIS [--size GROESSE | --count ANZAHL]"
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
