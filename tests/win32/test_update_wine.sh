#!/usr/bin/env bash
# "Update suchen" of the Windows main window against the real test server:
# starts tests/cli/update_server.py on a free port, then runs the update
# tests of portelan_win32_tests under Wine with the server's address and the
# directory it serves. Usage: test_update_wine.sh WINDOWS_BIN_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
windows_bin=$(cd "$1" && pwd)
T=$(mktemp -d "${TMPDIR:-/tmp}/portelan-update-wine.XXXXXX")
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -rf "$T"
}
trap cleanup EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }

mkdir -p "$T/site"
python3 "$here/../cli/update_server.py" "$T/site" >"$T/port" &
server=$!
for _ in $(seq 100); do
  [ -s "$T/port" ] && break
  sleep 0.1
done
port=$(head -n1 "$T/port")
[ -n "$port" ] || { echo "FAIL: the test server did not start" >&2; exit 1; }

status=0
PORTELAN_UPDATE_URL="http://127.0.0.1:$port/" PORTELAN_UPDATE_SITE="$(winpath "$T/site")" \
  PORTELAN_BIN_DIR="$windows_bin" \
  "$here/wine-run.sh" "$windows_bin/portelan_win32_tests.exe" --gtest_filter='WindowsUpdate.*' \
  | tee "$T/out" || status=$?
passed=$(grep -c '^\[       OK \] .* ms)' "$T/out" || true)
failed=$(grep -c '^\[  FAILED  \] .* ms)' "$T/out" || true)
skipped=$(grep -c '^\[  SKIPPED \] .* ms)' "$T/out" || true)
# A run that skipped or ran nothing has not tested anything.
if [ "$status" -ne 0 ] || [ "$passed" -eq 0 ] || [ "$skipped" -ne 0 ]; then
  [ "$failed" -eq 0 ] && failed=1
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
