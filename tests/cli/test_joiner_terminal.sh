#!/usr/bin/env bash
# The joiner copy double-clicked in a file manager: no terminal, output to
# nowhere, a graphical session. It must re-run itself in a terminal window
# (and keep the window open until Enter), while every start from a shell or
# a script, whose output someone reads, stays exactly as it was.
#
# Stand-in terminals record how they were called and run the command as the
# real ones do; PATH holds nothing else, so no real terminal is ever started.
set -euo pipefail
source "$(dirname "$0")/lib.sh" "$@"

if ! command -v python3 >/dev/null 2>&1; then
    echo "FAIL: python3 is needed to give the joiner a socket as output (scripts/deps.sh installs it)" >&2
    exit 1
fi

PROMPT="Zum Schließen die Eingabetaste drücken."
MARKER=PORTELANCONCAT_TERMINAL
LOG=$T/terminal # the stand-in writes $LOG.info, .args, .out, .error

# The stand-in terminal. Its name says which calling convention it expects,
# as the real program of that name does.
FAKE=$T/fake-terminal
cat >"$FAKE" <<'EOF'
#!/bin/bash
log=${FAKE_TERMINAL_LOG:?}
name=${0##*/}
{
    printf 'name=%s\n' "$name"
    printf 'cwd=%s\n' "$(pwd -P)"
    printf 'marker=%s\n' "${PORTELANCONCAT_TERMINAL-}"
} >"$log.info"
printf '%s\0' "$@" >"$log.args"
case $name in
gnome-terminal) option=-- ;;
xfce4-terminal | mate-terminal | terminator) option=-x ;;
kitty | foot) option= ;;
*) option=-e ;;
esac
if [ -n "$option" ]; then
    if [ "${1-}" != "$option" ]; then
        echo "$name called without $option: ${1-}" >"$log.error"
        exit 99
    fi
    shift
fi
# lxterminal and qterminal take the command as one string and split it.
case $name in
lxterminal)
    [ $# -eq 1 ] || { echo "lxterminal -e wants one string, got $#" >"$log.error"; exit 99; }
    eval "set -- $1"
    ;;
qterminal)
    [ $# -eq 1 ] || { echo "qterminal -e wants one string, got $#" >"$log.error"; exit 99; }
    read -r -a words <<<"$1"
    set -- "${words[@]}"
    ;;
esac
# One empty line as input: it gives up on a question for a directory, or
# answers the closing prompt, as the user pressing Enter would.
"$@" <<<"" >"$log.out" 2>&1
EOF
chmod 0755 "$FAKE"

# terminals DIR NAME...: a directory holding stand-ins of these names.
terminals() {
    local dir=$1
    shift
    mkdir -p "$dir"
    local name
    for name in "$@"; do
        ln -s "$FAKE" "$dir/$name"
    done
}

# The output of a run on a socket, as a session journal takes it, is copied
# into the file named first.
SOCKET_RUN='
import socket, subprocess, sys
ours, theirs = socket.socketpair()
child = subprocess.Popen(sys.argv[2:], stdin=subprocess.DEVNULL, stdout=theirs, stderr=theirs)
theirs.close()
data = b""
while True:
    chunk = ours.recv(65536)
    if not chunk:
        break
    data += chunk
with open(sys.argv[1], "wb") as f:
    f.write(data)
sys.exit(child.wait())
'

# launch [--in DIR] STREAMS PATH [VAR=VALUE...] -- CMD ARGS...
# Runs CMD in an environment holding only PATH, the given variables and what
# the stand-in needs, with its standard streams set up as STREAMS says:
#   desktop   all on /dev/null (what a file manager gives)
#   closed    all closed
#   socket    input /dev/null, output and errors on a socket, copied to $OUT
#   out-pipe  input /dev/null, output into a pipe (copied to $OUT), errors /dev/null
#   out-file  input /dev/null, output $OUT, errors $ERR
#   in-pipe   input a pipe, output and errors /dev/null
#   err-file  input and output /dev/null, errors $ERR
#   tty-in    a terminal as input, output and errors /dev/null
launch() {
    local dir=.
    if [ "$1" = --in ]; then
        dir=$2
        shift 2
    fi
    local streams=$1 path=$2
    shift 2
    local vars=()
    while [ "$1" != "--" ]; do
        vars+=("$1")
        shift
    done
    shift
    local cmd=(env -i "PATH=$path" "FAKE_TERMINAL_LOG=$LOG" "LC_ALL=C" "ASAN_OPTIONS=$ASAN_OPTIONS"
        "UBSAN_OPTIONS=$UBSAN_OPTIONS" "TSAN_OPTIONS=$TSAN_OPTIONS" "${vars[@]}" "$@")
    LAST_CMD="($streams in $dir) ${vars[*]} $*"
    : >"$OUT"
    : >"$ERR"
    set +e
    (
        cd "$dir" || exit 120
        case $streams in
        desktop) "${cmd[@]}" </dev/null >/dev/null 2>&1 ;;
        closed) "${cmd[@]}" <&- >&- 2>&- ;;
        socket) python3 -c "$SOCKET_RUN" "$OUT" "${cmd[@]}" ;;
        out-pipe)
            "${cmd[@]}" </dev/null 2>/dev/null | cat >"$OUT"
            exit "${PIPESTATUS[0]}"
            ;;
        out-file) "${cmd[@]}" </dev/null >"$OUT" 2>"$ERR" ;;
        in-pipe) printf '\n' | "${cmd[@]}" >/dev/null 2>&1 ;;
        err-file) "${cmd[@]}" </dev/null >/dev/null 2>"$ERR" ;;
        tty-in) script -qec "$(printf '%q ' "${cmd[@]}") >/dev/null 2>&1" /dev/null </dev/null >/dev/null ;;
        *) exit 121 ;;
        esac
    )
    RC=$?
    set -e
    if [ "$RC" -eq 120 ] || [ "$RC" -eq 121 ]; then
        fail "launch could not set up the run"
    fi
}

fresh() {
    rm -f "$LOG".* "$J/film.bin"
}

assert_no_terminal() {
    [ ! -e "$LOG.info" ] || fail "a terminal was started: $(cat "$LOG.info")"
    pass
}

# assert_terminal NAME: that terminal ran, called as it expects.
assert_terminal() {
    [ ! -e "$LOG.error" ] || fail "terminal called the wrong way: $(cat "$LOG.error")"
    [ -e "$LOG.info" ] || fail "no terminal was started"
    assert_has "$LOG.info" "name=$1"
}

# assert_terminal_args WORD...: the terminal got exactly these arguments.
assert_terminal_args() {
    printf '%s\0' "$@" >"$RUN_DIR/expected-args"
    if ! cmp -s "$RUN_DIR/expected-args" "$LOG.args"; then
        fail "terminal arguments (- expected, + actual):
$(diff <(tr '\0' '\n' <"$RUN_DIR/expected-args") <(tr '\0' '\n' <"$LOG.args") | grep '^[<>]')"
    fi
    pass
}

# assert_waited TEXT: in the window, TEXT and then the prompt, as its last line.
# After a success the join's summary line stands between them; its figures vary.
assert_waited() {
    if [ "$1" = "$SUCCESS" ]; then
        grep -qE '^9\.8 KB zusammengesetzt in [0-9]+,[0-9] s, [0-9]+,[0-9] MB/s\.$' "$LOG.out" ||
            fail "no summary line in the window"
    fi
    sed -E '/ zusammengesetzt in [0-9]+,[0-9] s, /d' "$LOG.out" >"$LOG.plain"
    assert_has "$LOG.plain" "$1

$PROMPT"
    assert_eq "$PROMPT" "$(tail -n 1 "$LOG.out")" "last line in the window"
}

# The set: 10000 bytes in three pieces, the Linux joiner copy _film beside them.
SRC=$T/src/film.bin
J=$T/set
make_file "$SRC" 10000
split_ok "$SRC" "$J" --size 4K --recovery 0 # a lost piece is asked for, not rebuilt
SUCCESS="Zusammenführung erfolgreich
Die Datei \"$J/film.bin\" wurde erstellt."

ALL=$T/bin-all
terminals "$ALL" xterm gnome-terminal konsole x-terminal-emulator
NONE=$T/bin-none
mkdir "$NONE"

check "from the desktop: x-terminal-emulator runs the joiner's own file with its arguments and directory"
mkdir "$T/cwd"
fresh
launch --in "$T/cwd" desktop "$ALL" DISPLAY=:0 -- ../set/_film eins "zwei drei" ""
assert_rc 0
assert_terminal x-terminal-emulator
assert_terminal_args -e "$J/_film" eins "zwei drei" ""
assert_has "$LOG.info" "cwd=$T/cwd"
assert_has "$LOG.info" "marker=1"
assert_same "$SRC" "$J/film.bin"
assert_waited "$SUCCESS"

check "a failed join in the window: the message, then the prompt"
fresh
mv "$J/film.002" "$T/film.002"
launch desktop "$ALL" DISPLAY=:0 -- "$J/_film"
assert_rc 1
assert_terminal x-terminal-emulator
assert_waited "Fehlermeldung
Die Zieldatei \"$J/film.bin\" konnte nicht erstellt werden."
assert_absent "$J/film.bin"
mv "$T/film.002" "$J/"

check "closed streams, output on a socket, a Wayland session: a terminal too"
for how in "closed DISPLAY=:0" "socket DISPLAY=:0" "desktop WAYLAND_DISPLAY=wayland-0"; do
    read -r streams var <<<"$how"
    fresh
    launch "$streams" "$ALL" "$var" -- "$J/_film"
    assert_rc 0
    assert_terminal x-terminal-emulator
    assert_same "$SRC" "$J/film.bin"
    assert_waited "$SUCCESS"
done

check "output that someone reads, or no graphical session: no terminal, the output as always"
for how in "out-pipe DISPLAY=:0" "out-file DISPLAY=:0 WAYLAND_DISPLAY=wayland-0" "in-pipe DISPLAY=:0" \
    "err-file DISPLAY=:0" "desktop" "desktop DISPLAY= WAYLAND_DISPLAY="; do
    read -r -a words <<<"$how"
    fresh
    launch "${words[0]}" "$ALL" "${words[@]:1}" -- "$J/_film"
    assert_rc 0
    assert_no_terminal
    assert_same "$SRC" "$J/film.bin"
    case ${words[0]} in
    out-pipe | out-file) assert_text "$OUT" "$SUCCESS" ;;
    err-file) assert_has "$ERR" "Datei 3 von 3..." ;;
    esac
done
if command -v script >/dev/null 2>&1; then
    fresh
    launch tty-in "$ALL" DISPLAY=:0 -- "$J/_film"
    assert_rc 0
    assert_no_terminal
    assert_same "$SRC" "$J/film.bin"
else
    skip "a terminal as input: script is not installed"
fi

check "the run inside the window opens no further one, and stays until Enter"
fresh
launch desktop "$ALL" DISPLAY=:0 "$MARKER=1" -- "$J/_film"
assert_rc 0
assert_no_terminal
assert_same "$SRC" "$J/film.bin"

fresh
mkfifo "$T/enter"
# shellcheck disable=SC2034 # shown by fail
LAST_CMD="$MARKER=1 $J/_film <fifo"
env -i "PATH=$ALL" "FAKE_TERMINAL_LOG=$LOG" DISPLAY=:0 "$MARKER=1" "$J/_film" \
    <"$T/enter" >"$OUT" 2>"$ERR" &
pid=$!
exec 7>"$T/enter"
for ((i = 0; i < 300; i++)); do
    grep -qF "$PROMPT" "$OUT" && break
    sleep 0.1
done
assert_out_has "$SUCCESS

$PROMPT"
assert_same "$SRC" "$J/film.bin"
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "the joiner ended without waiting for Enter"
pass
echo >&7
exec 7>&-
set +e
wait "$pid"
RC=$?
set -e
assert_rc 0
assert_no_terminal

check "terminals that cannot start are passed over: xterm -e from the last usable PATH entry"
B=$T/bin-xterm
terminals "$B" xterm
printf 'not a program\n' >"$B/x-terminal-emulator"
chmod 0755 "$B/x-terminal-emulator"
cp "$FAKE" "$B/konsole"
chmod 0644 "$B/konsole"
mkdir "$B/gnome-terminal"
# A relative PATH entry depends on where the file manager started us: ignored.
terminals "$T/bin-relative" x-terminal-emulator
fresh
launch --in "$T" desktop "bin-relative:$NONE:$B" DISPLAY=:0 -- "$J/_film"
assert_rc 0
assert_terminal xterm
assert_terminal_args -e "$J/_film"
assert_same "$SRC" "$J/film.bin"
assert_waited "$SUCCESS"

check "each terminal called its own way"
for row in "gnome-terminal --" "konsole -e" "xfce4-terminal -x" "mate-terminal -x" "terminator -x" "kitty"; do
    read -r name option <<<"$row"
    dir=$T/bin-$name
    terminals "$dir" "$name"
    fresh
    launch desktop "$dir" DISPLAY=:0 -- "$J/_film" "ein Argument"
    assert_rc 0
    assert_terminal "$name"
    if [ -n "$option" ]; then
        assert_terminal_args "$option" "$J/_film" "ein Argument"
    else
        assert_terminal_args "$J/_film" "ein Argument"
    fi
    assert_same "$SRC" "$J/film.bin"
    assert_waited "$SUCCESS"
done

check "the desktop's own terminal comes first, after x-terminal-emulator"
terminals "$T/bin-two" gnome-terminal konsole
for row in "KDE konsole" "ubuntu:GNOME gnome-terminal" "kde konsole" "X-Cinnamon gnome-terminal"; do
    read -r desktop name <<<"$row"
    fresh
    launch desktop "$T/bin-two" DISPLAY=:0 "XDG_CURRENT_DESKTOP=$desktop" -- "$J/_film"
    assert_terminal "$name"
    assert_same "$SRC" "$J/film.bin"
done
fresh
launch desktop "$ALL" DISPLAY=:0 XDG_CURRENT_DESKTOP=KDE -- "$J/_film"
assert_terminal x-terminal-emulator

check "blanks and quotes in the joiner's path survive every kind of terminal"
SRC2="$T/src/my film.bin"
D2="$T/it's a \"set\" \$HOME"
make_file "$SRC2" 9000
split_ok "$SRC2" "$D2" --size 4K --recovery 0
JOINER2="$D2/_my film"
terminals "$T/bin-lx" lxterminal
terminals "$T/bin-qt" qterminal xterm
for row in "$ALL x-terminal-emulator" "$B xterm" "$T/bin-lx lxterminal" "$T/bin-qt xterm"; do
    read -r dir name <<<"$row"
    rm -f "$LOG".* "$D2/my film.bin"
    launch desktop "$dir" DISPLAY=:0 -- "$JOINER2" "it's"
    assert_rc 0
    assert_terminal "$name"
    [ "$name" = lxterminal ] || assert_terminal_args -e "$JOINER2" "it's"
    assert_same "$SRC2" "$D2/my film.bin"
    assert_waited "Die Datei \"$D2/my film.bin\" wurde erstellt."
done
# qterminal splits at blanks only: fine for a plain path.
fresh
launch desktop "$T/bin-qt" DISPLAY=:0 -- "$J/_film"
assert_rc 0
assert_terminal qterminal
assert_same "$SRC" "$J/film.bin"
assert_waited "$SUCCESS"

check "no terminal installed: joins without one, as before"
fresh
launch socket "$NONE" DISPLAY=:0 -- "$J/_film"
assert_rc 0
assert_no_terminal
assert_same "$SRC" "$J/film.bin"
assert_out_has "$SUCCESS"
assert_out_lacks "$PROMPT"

finish
