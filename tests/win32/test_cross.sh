#!/usr/bin/env bash
# Sets travel between the platforms: a set split through the Windows main
# window is rebuilt by both joiners, and a set split on Linux is rebuilt by
# PortelanConcat.exe. Usage: test_cross.sh LINUX_BIN_DIR WINDOWS_BIN_DIR
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
wine_run() { "$here/wine-run.sh" "$@"; }
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
  if ! text=$(wine_run "$windows_bin/closebox.exe" "Zusammenführung erfolgreich" 60); then
    WINEPREFIX=${PORTELAN_WINEPREFIX:-${TMPDIR:-/tmp}/portelan-wine-$(id -u)} wineserver -k || true
    fail "no success box from the Windows joiner in $dir"
  fi
  wait "$joiner" || fail "the Windows joiner in $dir failed"
  printf '%s' "$text"
}

echo "-- a set split through the Windows main window"
mkdir -p "$T/win"
PORTELAN_CROSS_DIR="$(winpath "$T/win")\\" wine_run "$windows_bin/portelan_win32_tests.exe" \
  --gtest_filter=CrossSet.* --gtest_also_run_disabled_tests >"$T/gtest.log" 2>&1 ||
  { cat "$T/gtest.log"; fail "the split through the main window failed"; }
grep -q "1 test" "$T/gtest.log" && ! grep -q SKIPPED "$T/gtest.log" || fail "the split test did not run"
cmp "$windows_bin/PortelanConcat.exe" "$T/win/set/_film.exe" || fail "the joiner copy is not PortelanConcat.exe"

echo "-- ... rebuilt by the Linux joiner"
cp -r "$T/win/set" "$T/lin-join"
cp "$linux_bin/portelanconcat" "$T/lin-join/_film.exe"
(cd "$T/lin-join" && ./_film.exe </dev/null >/dev/null) || fail "the Linux joiner failed"
cmp "$T/win/source/film.avi" "$T/lin-join/film.avi" || fail "Linux join differs"

echo "-- ... rebuilt by PortelanConcat.exe"
cp -r "$T/win/set" "$T/win-join"
text=$(join_on_windows "$T/win-join" film)
case "$text" in *"film.avi"*"wurde erstellt."*) ;; *) fail "unexpected success text: $text" ;; esac
cmp "$T/win/source/film.avi" "$T/win-join/film.avi" || fail "Windows join differs"

echo "-- a set split on Linux, rebuilt by PortelanConcat.exe"
mkdir -p "$T/lin/set"
head -c 2500000 /dev/urandom >"$T/lin/Bericht 2008.pdf"
"$linux_bin/portelan-cli" split "$T/lin/Bericht 2008.pdf" "$T/lin/set" --size 1M >/dev/null ||
  fail "Linux split failed"
cp "$windows_bin/PortelanConcat.exe" "$T/lin/set/_Bericht 2008.exe"
join_on_windows "$T/lin/set" "Bericht 2008" >/dev/null
cmp "$T/lin/Bericht 2008.pdf" "$T/lin/set/Bericht 2008.pdf" || fail "Windows join of a Linux set differs"

echo "3 passed, 0 failed"
