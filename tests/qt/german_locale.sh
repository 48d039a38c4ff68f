#!/usr/bin/env bash
# Runs a Qt test program under a German locale, built here with localedef
# where the system has none: QApplication adopts the environment's locale,
# whose decimal separator is a comma.
set -euo pipefail
LOCPATH=$(mktemp -d "${TMPDIR:-/tmp}/portelan-locale.XXXXXX")
trap 'rm -rf "$LOCPATH"' EXIT
localedef -i de_DE -f UTF-8 "$LOCPATH/de_DE.UTF-8" 2>/dev/null || [ -d "$LOCPATH/de_DE.UTF-8" ]
export LOCPATH LC_ALL=de_DE.UTF-8
# Without a comma here the run would prove nothing.
separator=$(locale decimal_point)
[ "$separator" = "," ] || { echo "no German locale: decimal point \"$separator\"" >&2; exit 1; }
# Under AddressSanitizer: what glibc keeps of LOCPATH is no leak of ours.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "$0")/glibc-locale.supp"
"$@"
