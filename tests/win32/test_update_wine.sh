#!/usr/bin/env bash
# "Update suchen" of the Windows main window against the real test server:
# starts tests/cli/update_server.py on a free port, and once more over HTTPS
# with a certificate of an authority nobody trusts, then runs the update
# tests of portelan_win32_tests under Wine with the servers' addresses, the
# directory they serve, the request log and a port on which nobody listens.
# The tests set the system's proxy for a moment, so they run in a Wine
# prefix of their own, not in the one other tests share.
# Usage: test_update_wine.sh WINDOWS_BIN_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
windows_bin=$(cd "$1" && pwd)
T=$(mktemp -d "${TMPDIR:-/tmp}/portelan-update-wine.XXXXXX")
server=
closed=
untrusted=
export PORTELAN_WINEPREFIX=${PORTELAN_UPDATE_WINEPREFIX:-${TMPDIR:-/tmp}/portelan-wine-update-$(id -u)}
cleanup() {
  for pid in $server $closed $untrusted; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$T"
}
trap cleanup EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }

mkdir -p "$T/site"
: >"$T/requests.log"
python3 "$here/../cli/update_server.py" "$T/site" "$T/requests.log" >"$T/port" &
server=$!
mkdir "$T/certs"
bash "$here/../cli/make_test_certs.sh" "$T/certs"
python3 "$here/../cli/update_server.py" --tls "$T/certs/untrusted.pem" "$T/certs/untrusted.key" "$T/site" \
  >"$T/untrusted-port" &
untrusted=$!
# A socket that is bound but does not listen: connections to its port are
# refused at once, and no other program can take the port meanwhile.
python3 -c 'import socket, time
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1], flush=True)
time.sleep(3600)' >"$T/closed-port" &
closed=$!
for _ in $(seq 100); do
  [ -s "$T/port" ] && [ -s "$T/closed-port" ] && [ -s "$T/untrusted-port" ] && break
  sleep 0.1
done
port=$(head -n1 "$T/port")
closed_port=$(head -n1 "$T/closed-port")
untrusted_port=$(head -n1 "$T/untrusted-port")
[ -n "$port" ] && [ -n "$closed_port" ] && [ -n "$untrusted_port" ] || { echo "FAIL: the test server did not start" >&2; exit 1; }

status=0
# A test that waits in vain must not hold up the whole run.
PORTELAN_UPDATE_URL="http://127.0.0.1:$port/" PORTELAN_UPDATE_SITE="$(winpath "$T/site")" \
  PORTELAN_UPDATE_LOG="$(winpath "$T/requests.log")" \
  PORTELAN_UPDATE_CLOSED_URL="http://127.0.0.1:$closed_port/" PORTELAN_BIN_DIR="$windows_bin" \
  PORTELAN_UPDATE_UNTRUSTED_URL="https://127.0.0.1:$untrusted_port/" \
  timeout 300 "$here/wine-run.sh" "$windows_bin/portelan_win32_tests.exe" --gtest_filter='WindowsUpdate.*' \
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
