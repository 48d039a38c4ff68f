#!/usr/bin/env bash
# portelan-cli update against a real HTTP server on 127.0.0.1: the questions
# on the terminal, the archive in the program's own directory, the exit status.
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

if ! command -v python3 >/dev/null 2>&1; then
    echo "FAIL: python3 is needed for the test server (scripts/deps.sh installs it)" >&2
    exit 1
fi
unset http_proxy HTTP_PROXY all_proxy ALL_PROXY

SITE=$T/site
mkdir -p "$SITE/Updates"
head -c 50000 /dev/urandom >"$SITE/Updates/portelan.zip"

# The program's copy in a directory of its own: the archive lands beside it.
PROG_DIR=$T/prog
mkdir "$PROG_DIR"
cp "$SPLITTER" "$PROG_DIR/portelan-cli"
PROG=$PROG_DIR/portelan-cli

python3 "$(dirname "$0")/update_server.py" "$SITE" "$T/requests.log" >"$T/port" &
SERVER=$!
trap 'kill $SERVER 2>/dev/null || true; wait $SERVER 2>/dev/null || true; cleanup' EXIT
for _ in $(seq 50); do
    [ -s "$T/port" ] && break
    sleep 0.1
done
PORT=$(head -n1 "$T/port")
export PORTELAN_UPDATE_URL="http://127.0.0.1:$PORT/"

manifest() { printf '%s\n' "$@" >"$SITE/Updates/_updates.txt"; }

check "usage text names the update command and its exit status"
run "$SPLITTER" --help
assert_rc 0
assert_out_has "portelan-cli update"
assert_out_has "Ende mit 0, wenn eine neue Version herunter geladen wurde, sonst mit 1."

# The texts of a language's run: its locale, then what the question, the
# prompt, the offer and the closing message show.
german=(C "Update suchen..." "[j/n] " "Lokale Version:   2.0.0.6" "Aktuelle Version: 2.0.1.0" "Größe: 49 KB"
    "Herunterladen erfolgreich")
english=(en_US.UTF-8 "Check for updates..." "[y/n] " "Installed version: 2.0.0.6" "Latest version:    2.0.1.0"
    "Size: 49 KB" "Download complete")

check "answers that mean Yes, in any case and either language, download the newer version; exit 0"
manifest "# Portelan" "portelan;2;0;1;0;2008.9.6;1;49;Updates/;portelan.zip;"
for row in "german j" "german JA" "german y" "german Yes" "english y" "english ja"; do
    read -r language answer <<<"$row"
    declare -n texts=$language
    rm -f "$PROG_DIR/portelan.zip"
    run --stdin "$answer"$'\n'"$answer"$'\n' env LANGUAGE= LC_ALL="${texts[0]}" "$PROG" update
    assert_rc 0
    for text in "${texts[@]:1}" "\"$PROG_DIR/portelan.zip\""; do
        assert_out_has "$text"
    done
    [ "$language" = german ] || assert_out_lacks "Herunterladen" # no German left over
    cmp -s "$SITE/Updates/portelan.zip" "$PROG_DIR/portelan.zip" || fail "archive differs ($row)"
    pass
    unset -n texts
done
[ "$(ls "$PROG_DIR")" = "$(printf 'portelan-cli\nportelan.zip')" ] || fail "left behind: $(ls "$PROG_DIR")"
rm -f "$PROG_DIR/portelan.zip"

check "any other answer to the first question: no network access, exit 1"
: >"$T/requests.log"
for answer in n nein "" jaa " j" x; do
    run --stdin "$answer"$'\n' "$PROG" update
    assert_rc 1
    assert_out_lacks "Suche nach Updates..."
done
[ ! -s "$T/requests.log" ] || fail "the server was asked: $(cat "$T/requests.log")"
pass

check "No to the offer downloads nothing"
run --stdin $'ja\nnein\n' "$PROG" update
assert_rc 1
assert_out_has "Herunterladen ?"
assert_out_lacks "Herunterladen erfolgreich"
[ ! -e "$PROG_DIR/portelan.zip" ] || fail "archive written"
pass

check "the same version: \"Keine neuere Version vorhanden\" (in English \"No newer version available\"), exit 1"
manifest "portelan;2;0;0;6;;2;1;Updates/;portelan.zip;"
for row in "C|Suche nach Updates...|Keine neuere Version vorhanden" \
    "en_GB.UTF-8|Checking for updates...|No newer version available"; do
    IFS='|' read -r locale caption text <<<"$row"
    run --stdin $'y\ny\n' env LANGUAGE= LC_ALL="$locale" "$PROG" update
    assert_rc 1
    assert_out_has "$caption"$'\n'"$text"
    [ ! -e "$PROG_DIR/portelan.zip" ] || fail "archive written"
done
pass

check "a hostile file name is never offered nor written"
mkdir -p "$SITE/x" && cp "$SITE/Updates/portelan.zip" "$SITE/x/evil.zip"
manifest "portelan;9;0;0;0;;2;1;Updates/;../x/evil.zip;"
run --stdin $'y\ny\n' "$PROG" update
assert_rc 1
assert_out_lacks "Herunterladen"
[ ! -e "$T/x/evil.zip" ] && [ "$(ls "$PROG_DIR")" = "portelan-cli" ] || fail "a file was written"
pass

check "a download never replaces a program: not offered, the directory stays as it was"
cp "$PROG" "$PROG_DIR/mein-splitter"
printf '#!/bin/sh\n' >"$PROG_DIR/werkzeug" && chmod 755 "$PROG_DIR/werkzeug"
for name in portelan-cli mein-splitter portelanconcat Portelan.exe PortelanConcat.exe werkzeug; do
    cp "$SITE/Updates/portelan.zip" "$SITE/Updates/$name"
    manifest "portelan;9;0;0;0;;2;1;Updates/;$name;"
    listing=$(cd "$PROG_DIR" && ls -l --time-style=+ . && cksum -- *)
    run --stdin $'y\ny\n' "$PROG_DIR/mein-splitter" update
    assert_rc 1
    assert_out_lacks "Herunterladen"
    [ "$(cd "$PROG_DIR" && ls -l --time-style=+ . && cksum -- *)" = "$listing" ] || fail "$name: the directory changed"
done
run "$PROG" --help
assert_rc 0
rm "$PROG_DIR/mein-splitter" "$PROG_DIR/werkzeug"
pass

check "an older archive that is no program is replaced"
printf 'older download' >"$PROG_DIR/portelan.zip"
manifest "portelan;9;0;0;0;;2;1;Updates/;portelan.zip;"
run --stdin $'y\ny\n' "$PROG" update
assert_rc 0
cmp -s "$SITE/Updates/portelan.zip" "$PROG_DIR/portelan.zip" || fail "archive not replaced"
rm "$PROG_DIR/portelan.zip"
pass

check "a download cut midway leaves no archive; exit 1"
manifest "portelan;9;0;0;0;;2;1;cut/20000/Updates/;portelan.zip;"
run --stdin $'y\ny\n' "$PROG" update
assert_rc 1
assert_out_has "Fehler beim Herunterladen"
[ "$(ls "$PROG_DIR")" = "portelan-cli" ] || fail "left behind: $(ls "$PROG_DIR")"
pass

check "an unreachable server: the network error, no flow message, exit 1"
kill "$SERVER"
wait "$SERVER" 2>/dev/null || true
run --stdin $'y\ny\n' "$PROG" update
assert_rc 1
assert_out_lacks "Suche nach Updates..."
assert_out_has "portelan-cli"
[ "$(ls "$PROG_DIR")" = "portelan-cli" ] || fail "left behind: $(ls "$PROG_DIR")"
pass

echo "OK ($CHECKS checks)"
