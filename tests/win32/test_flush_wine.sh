#!/usr/bin/env bash
# The Windows programs put what they write on the medium, as Wine's relay
# trace of the calls into kernel32 shows: a split through the main window
# flushes every file of its set (five pieces, the configuration file, two
# joiner copies, the checksum list) and still succeeds; a join flushes the
# rebuilt file before it takes its name, with a rename that writes through.
#   bash test_flush_wine.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1/bin" && pwd -P)
# Where the tests find the programs they start.
export PORTELAN_BIN_DIR=$bin
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
wine_run() { "$here/wine-run.sh" "$@"; }

# Only these calls are traced; without a relay trace the setting is unused.
relayed="kernel32.FlushFileBuffers;kernel32.MoveFileExW"
wine_run reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ /d "$relayed" /f >/dev/null 2>&1

# traced_test EXE FILTER LOG: one test of ours under the relay trace; the
# calls made from its own image (its image base) go to LOG.
traced_test() {
    local exe=$1 filter=$2 log=$3 base
    base=$(objdump -p "$exe" | awk '$1 == "ImageBase" { sub(/^0+/, "", $2); print substr($2, 1, 4) }')
    WINEDEBUG=+relay wine_run "$exe" --gtest_filter="$filter" >"$T/out" 2>"$T/relay" ||
        { cat "$T/out"; fail "$filter failed under the relay trace"; }
    grep -q "\[  PASSED  \] 1 test" "$T/out" || { cat "$T/out"; fail "$filter did not run"; }
    # -a: the program and the one it starts write the trace through one
    # descriptor without appending, which can leave runs of NULs in it.
    grep -a -E "(Call|Ret) +KERNEL32\.(FlushFileBuffers|MoveFileExW)\(.* ret=0*$base" "$T/relay" >"$log" || true
}

traced_test "$bin/portelan_win32_tests.exe" SplitThroughTheMainWindow.WritesACompleteSetAndResetsTheWindow "$T/split"
flushed=$(grep -c "Ret  KERNEL32.FlushFileBuffers() retval=00000001" "$T/split" || true)
[ "$flushed" -ge 9 ] || fail "the split flushed $flushed files, expected 9 or more: $(cat "$T/split")"
echo "PASS: the split flushed $flushed times and succeeded"

traced_test "$bin/portelan_win32_joiner_tests.exe" JoinFlow.JoinsWithTheTrayIconAndEndsWithTheSuccessWindow "$T/join"
# The rebuilt file flushed, then renamed with MOVEFILE_WRITE_THROUGH (8)
# beside MOVEFILE_REPLACE_EXISTING (1).
awk '/Ret  KERNEL32.FlushFileBuffers\(\) retval=00000001/ { flushed = 1 }
     /Call KERNEL32.MoveFileExW\(/ && flushed && /,00000009\)/ { renamed = 1 }
     END { exit !renamed }' "$T/join" || fail "no flush before a write-through rename: $(cat "$T/join")"
echo "PASS: the join flushed the rebuilt file before its write-through rename and succeeded"
