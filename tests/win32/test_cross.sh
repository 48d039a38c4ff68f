#!/usr/bin/env bash
# Sets travel between the platforms: a set split through the Windows main
# window and one split by portelan-cli each carry both joiners, and each is
# rebuilt by either of them from the set's own files alone.
# Usage: test_cross.sh LINUX_BIN_DIR WINDOWS_BIN_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  # One display for every Windows program here, so that closebox sees the
  # message boxes of the joiner.
  exec xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" bash "$0" "$@"
fi
linux_bin=$(cd "$1" && pwd)
windows_bin=$(cd "$2" && pwd)
T=$(mktemp -d "${TMPDIR:-/tmp}/portelan-cross.XXXXXX")
trap 'rm -rf "$T"' EXIT
# C.UTF-8: names beyond ASCII survive, and Wine, with no language named,
# speaks English, as the joiner then does whatever language made the set.
wine_run() { LC_ALL=C.UTF-8 "$here/wine-run.sh" "$@"; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# join_on_windows DIR BASE: runs DIR/_BASE.exe under Wine and presses OK on
# its success box; prints the box's text.
join_on_windows() {
  local dir=$1 base=$2
  # Not on our output: the caller reads it to its end.
  (cd "$dir" && wine_run "./_$base.exe") >/dev/null 2>&1 &
  local joiner=$!
  local text
  if ! text=$(wine_run "$windows_bin/closebox.exe" "Join complete" 60); then
    WINEPREFIX=${PORTELAN_WINEPREFIX:-${TMPDIR:-/tmp}/portelan-wine-$(id -u)} wineserver -k || true
    fail "no success box from the Windows joiner in $dir"
  fi
  wait "$joiner" || fail "the Windows joiner in $dir failed"
  printf '%s' "$text"
}

# same_joiners DIR BASE: the set's joiner copies are the built joiners.
same_joiners() {
  cmp "$windows_bin/PortelanConcat.exe" "$1/_$2.exe" || fail "_$2.exe in $1 is not PortelanConcat.exe"
  cmp "$linux_bin/portelanconcat" "$1/_$2" || fail "_$2 in $1 is not portelanconcat"
}

# join_with_both SET BASE SOURCE NAME: copies of the set, and nothing else,
# rebuilt by each of its own joiner copies; the Linux one gets its execute
# permission back first, as a recipient would where the carrier lost it.
join_with_both() {
  local set=$1 base=$2 source=$3 name=$4
  cp -r "$set" "$T/lin-join"
  chmod +x "$T/lin-join/_$base"
  (cd "$T/lin-join" && "./_$base" </dev/null >/dev/null) || fail "the Linux joiner copy of $set failed"
  cmp "$source" "$T/lin-join/$name" || fail "Linux join of $set differs"
  cp -r "$set" "$T/win-join"
  text=$(join_on_windows "$T/win-join" "$base")
  case "$text" in *"$name"*"has been created."*) ;; *) fail "unexpected success text: $text" ;; esac
  cmp "$source" "$T/win-join/$name" || fail "Windows join of $set differs"
  rm -rf "$T/lin-join" "$T/win-join"
}

# split_on_windows NAME: a set of a source NAME split through the main window
# into $T/win/set, the source in $T/win/source.
split_on_windows() {
  rm -rf "$T/win" && mkdir -p "$T/win"
  PORTELAN_CROSS_NAME="$1" PORTELAN_CROSS_DIR="$(winpath "$T/win")\\" wine_run "$windows_bin/portelan_win32_tests.exe" \
    --gtest_filter=CrossSet.* --gtest_also_run_disabled_tests >"$T/gtest.log" 2>&1 ||
    { cat "$T/gtest.log"; fail "the split of $1 through the main window failed"; }
  grep -q "1 test" "$T/gtest.log" && ! grep -q SKIPPED "$T/gtest.log" || fail "the split test did not run"
}

# Names in Windows-1252 and names only UTF-8 can hold, split on either side
# and rebuilt on the other.
for name in "Südtirol.avi" "Łódź.avi" "東京.mp4"; do
  echo "-- $name split through the Windows main window, rebuilt on Linux"
  split_on_windows "$name"
  chmod +x "$T/win/set/_${name%.*}"
  (cd "$T/win/set" && "./_${name%.*}" </dev/null >/dev/null 2>&1) || fail "the Linux joiner of the Windows set $name failed"
  cmp "$T/win/source/$name" "$T/win/set/$name" || fail "Linux join of the Windows set $name differs"
  echo "-- $name split on Linux, rebuilt by the Windows joiner"
  rm -rf "$T/lin-names" && mkdir -p "$T/lin-names/set"
  head -c 300000 /dev/urandom >"$T/lin-names/$name"
  "$linux_bin/portelan-cli" split "$T/lin-names/$name" "$T/lin-names/set" --size 100K >/dev/null || fail "Linux split of $name failed"
  join_on_windows "$T/lin-names/set" "${name%.*}" >/dev/null
  cmp "$T/lin-names/$name" "$T/lin-names/set/$name" || fail "Windows join of the Linux set $name differs"
done

# Names that once gave sets one of the joiners refused: a base name "."
# and one ending in ".exe", whose Linux joiner is "_setup.exe".
for name in "..txt" "setup.exe.zip"; do
  echo "-- $name split on Linux, rebuilt by the Windows and the Linux joiner"
  rm -rf "$T/lin-names" && mkdir -p "$T/lin-names/set"
  head -c 300000 /dev/urandom >"$T/lin-names/$name"
  "$linux_bin/portelan-cli" split "$T/lin-names/$name" "$T/lin-names/set" --size 100K >/dev/null ||
    fail "Linux split of $name failed"
  join_with_both "$T/lin-names/set" "${name%.*}" "$T/lin-names/$name" "$name"
done

echo "-- a set split through the Windows main window, rebuilt by both of its joiner copies"
split_on_windows film.avi
same_joiners "$T/win/set" film
(cd "$T/win/set" && cksfv -q -f _film.sfv) || fail "cksfv refused the checksum list of the Windows set"
(cd "$T/win/set" && par2 verify -q _film.par2 >/dev/null) || fail "par2 refused the recovery files of the Windows set"
join_with_both "$T/win/set" film "$T/win/source/film.avi" film.avi

echo "-- the same set, without its Linux joiner, rebuilt by portelan-cli join"
cp -r "$T/win/set" "$T/cli-join"
rm "$T/cli-join/_film"
"$linux_bin/portelan-cli" join "$T/cli-join" </dev/null >/dev/null || fail "portelan-cli join failed"
cmp "$T/win/source/film.avi" "$T/cli-join/film.avi" || fail "portelan-cli join differs"

echo "-- a set split on Linux, rebuilt by both of its joiner copies"
mkdir -p "$T/lin/set"
head -c 2500000 /dev/urandom >"$T/lin/Bericht 2008.pdf"
"$linux_bin/portelan-cli" split "$T/lin/Bericht 2008.pdf" "$T/lin/set" --size 1M >/dev/null ||
  fail "Linux split failed"
same_joiners "$T/lin/set" "Bericht 2008"
join_with_both "$T/lin/set" "Bericht 2008" "$T/lin/Bericht 2008.pdf" "Bericht 2008.pdf"

echo "11 passed, 0 failed"
