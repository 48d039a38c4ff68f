#!/usr/bin/env bash
# The Debian package as a user gets it: made by CPack from this build tree,
# checked by Debian's own tools (lintian, desktop-file-validate, appstreamcli,
# man), unpacked into a scratch root whose portelan-cli splits a file that
# the joiner copy it wrote puts back together.
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

if [ "$SANITIZED" -eq 1 ] || [ ! -x "$BIN_DIR/portelan" ]; then
    skip "the package: only from the optimised build with the desktop program"
    finish
    exit 0
fi
BUILD_DIR=$(dirname "$BIN_DIR")
version=$(sed -n 's/^project(Portelan VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
deb=$T/pkg/portelan_${version}_$(dpkg --print-architecture).deb
ROOT=$T/root

check "cpack makes $(basename "$deb"), depending on what the programs link and Qt's translations"
run cpack --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$T/pkg"
assert_rc 0
assert_exists "$deb"
dpkg-deb -f "$deb" Package Version Section Depends Description >"$OUT"
assert_out_has "Package: portelan
Version: $version
Section: utils"
depends=$(sed -n 's/^Depends: //p' "$OUT" | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for dependency in libc6 libstdc++6 libcurl4 libqt6widgets6 qt6-translations-l10n qt6-qpa-plugins; do
    grep -qxF "$dependency" <<<"$depends" || fail "Depends lacks $dependency"
    pass
done

check "the files: both programs (no joiner of their own), desktop entry, metainfo, icons, manual pages"
dpkg -x "$deb" "$ROOT"
SPLITTER=$ROOT/usr/bin/portelan-cli # from here on, the installed one
(cd "$ROOT" && find . -type f | sort) >"$OUT"
expected=(./usr/bin/portelan ./usr/bin/portelan-cli ./usr/share/applications/portelan.desktop
    ./usr/share/doc/portelan/changelog.gz ./usr/share/doc/portelan/copyright
    ./usr/share/man/man1/portelan-cli.1.gz ./usr/share/man/man1/portelan.1.gz
    ./usr/share/man/de/man1/portelan-cli.1.gz ./usr/share/man/de/man1/portelan.1.gz
    ./usr/share/metainfo/de.portelan.portelan.metainfo.xml)
for size in 16 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x$size/apps/portelan.png")
done
assert_text "$OUT" "$(printf '%s\n' "${expected[@]}" | sort)"

check "lintian finds no error"
run lintian --fail-on error --display-info "$deb"
sed 's/^/   lintian: /' "$OUT"
assert_rc 0
# The programs are built with Debian's hardening flags.
assert_out_lacks "hardening-no-bindnow"
assert_out_lacks "hardening-no-fortify-functions"
assert_out_lacks "hardening-no-relro"
assert_out_lacks "hardening-no-pie"

check "desktop-file-validate and appstreamcli accept the desktop entry and the metainfo"
run desktop-file-validate "$ROOT/usr/share/applications/portelan.desktop"
assert_rc 0
assert_empty "$OUT"
run appstreamcli validate --no-net --explain "$ROOT/usr/share/metainfo/de.portelan.portelan.metainfo.xml"
assert_rc 0

# Every option, command and preset the usage text names is described, in the
# page of the usage's language: English by default, German under de.
check "man renders all four pages without a warning; portelan-cli(1) covers the usage text"
check_pages() {
    local dir=$1 locale=$2
    shift 2
    for page in portelan portelan-cli; do
        LC_ALL=C.UTF-8 MANWIDTH=80 run man --warnings -l "$ROOT/usr/share/man/$dir/$page.1.gz"
        assert_rc 0
        assert_empty "$ERR"
        for section in "$@" PORTELAN_UPDATE_URL _film.cfg _film.sfv; do
            assert_out_has "$section"
        done
    done
    LC_ALL=$locale "$SPLITTER" --help >"$T/usage"
    words=$(grep -oE -- '(^|[ [|])--?[a-zA-Z]+|portelan-cli [a-z]+' "$T/usage" | sed 's/^[ [|]//; s/^portelan-cli //' | sort -u)
    [ -n "$words" ] || fail "no options found in the usage text"
    for word in $words; do
        grep -qE -- "(^ *|, )$word\b" "$OUT" || fail "$dir/portelan-cli(1) does not describe $word"
        pass
    done
    presets=$(grep -oE '[a-z0-9]+ \([0-9]+ [Bb]ytes' "$T/usage")
    [ -n "$presets" ] || fail "no presets found in the usage text"
    page=$(tr -s ' \n' '  ' <"$OUT")
    while read -r preset; do
        [[ $page == *"$preset"* ]] || fail "$dir/portelan-cli(1) does not describe the preset \"$preset\""
        pass
    done <<<"$presets"
}
check_pages man1 en_US.UTF-8 NAME SYNOPSIS DESCRIPTION OPTIONS EXIT ENVIRONMENT FILES
check_pages de/man1 C.UTF-8 BEZEICHNUNG ÜBERSICHT BESCHREIBUNG OPTIONEN RÜCKGABEWERT UMGEBUNG DATEIEN

check "the installed portelan-cli splits, and the joiner copy it wrote joins, byte-exact"
run "$SPLITTER" --version
assert_text "$OUT" "portelan-cli $version"
make_file "$T/src/film.avi" 20000
split_ok "$T/src/film.avi" "$T/set" --size 8K
assert_entries "$T/set" film.001 film.002 film.003 _film.cfg _film _film.exe _film.sfv \
    _film.par2 _film.vol0+1.par2 _film.vol1+1.par2
[ -z "$WINDOWS_JOINER" ] || assert_same "$WINDOWS_JOINER" "$T/set/_film.exe"
run --in "$T/set" ./_film
assert_rc 0
assert_same "$T/src/film.avi" "$T/set/film.avi"

finish
