#!/usr/bin/env bash
# Times portelan-cli's split and the joiner it writes against cp, GNU split
# and cat on one file held in the page cache, and against the same tools
# doing the same durable, verified work (sync, a direct read back); checks
# every rebuilt file.
#
#   bench/bench.sh [--join | --paired]
#   --join     the join rows alone: for diskette and 1 GiB pieces, the joiner
#              against cat of the pieces, sync and a direct read, timed side
#              by side in each run
#   --paired   the join rows and the two split rows, each beside its
#              reference (the diskette split after floor --verify, the split
#              of 1 GiB pieces without recovery files after a verified
#              durable copy); with many runs, the spread of the ratios
#   Both print the fastest run of each, and the ratio of each run with their
#   geometric mean (over all, and by which command went first) and how many
#   runs met the target.
#
# Environment:
#   BIN_DIR    directory holding portelan-cli; when set, nothing is built
#              (default: build the "linux" preset, use build/linux/bin)
#   BENCH_DIR  where the scratch directory goes (default /tmp)
#   RUNS       timed runs per command, the median is reported (default 3)
#   WARMUP     rounds run first and not counted (default 1)
#
# Exits non-zero only when a result is wrong (a rebuilt file differs, a wrong
# piece count, a failing command); missed speed or memory targets are only
# reported.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
pairs_only=""
case ${1:-} in
--join | --paired) pairs_only=${1#--} ;;
"") ;;
*) echo "usage: bench/bench.sh [--join | --paired]" >&2; exit 2 ;;
esac
runs=${RUNS:-3}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "RUNS must be a positive number" >&2; exit 2; }

mib=$((1024 * 1024))
source_size=$((1024 * mib + mib))
disk_piece=1457664
big_piece=$((1024 * mib))
need_bytes=$((6 * 1024 * mib))
rss_target_mib=64

# --- tools ---------------------------------------------------------------
# The build's own packages, and what the measurements use besides.
"$repo/scripts/deps.sh" time cksfv gcc diffutils

if [ -z "${BIN_DIR:-}" ]; then
  echo "Building the optimised programs (preset linux)..."
  build_log=$(mktemp)
  if ! (cd "$repo" && cmake --preset linux && cmake --build --preset linux) >"$build_log" 2>&1; then
    cat "$build_log" >&2
    rm -f "$build_log"
    echo "The build failed." >&2
    exit 2
  fi
  rm -f "$build_log"
  BIN_DIR=$repo/build/linux/bin
fi
cli=$(cd "$BIN_DIR" && pwd)/portelan-cli
[ -x "$cli" ] || { echo "no portelan-cli in $BIN_DIR" >&2; exit 2; }

# --- scratch space -------------------------------------------------------
parent=${BENCH_DIR:-/tmp}
mkdir -p "$parent"
avail=$(df -P -B1 "$parent" | awk 'NR == 2 { print $4 }')
if ((avail < need_bytes)); then
  echo "Not enough space on $parent: $((avail / mib)) MiB free, $((need_bytes / mib)) MiB needed (set BENCH_DIR)" >&2
  exit 2
fi
work=$(mktemp -d "$parent/portelan-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
src_dir=$work/src
src=$src_dir/data.bin # base "data", extension "bin"
mkdir -p "$src_dir"

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

echo "Creating $((source_size / mib)) MiB of random data in $work ..."
head -c "$source_size" /dev/urandom >"$src"
[ "$(stat -c %s "$src")" -eq "$source_size" ] || fail "test file has the wrong size"
cat "$src" >/dev/null # into the page cache (it is there already, unless memory is short)
sync

# --- timing --------------------------------------------------------------
declare -A wall_of rss_of
order=()
timefile=$work/time.out
logfile=$work/cmd.log

# Runs "$@" once under /usr/bin/time after sync; appends wall seconds and
# peak RSS (KiB) to the lists of row $1.
time_once() {
  local row=$1
  shift
  sync
  if ! /usr/bin/time -f '%e %M' -o "$timefile" "$@" </dev/null >"$logfile" 2>&1; then
    cat "$logfile" >&2
    fail "$row: command failed: $*"
  fi
  local wall rss
  read -r wall rss < <(tail -n 1 "$timefile")
  wall_of[$row]+="$wall "
  rss_of[$row]+="$rss "
  [[ " ${order[*]} " == *" $row "* ]] || order+=("$row")
}

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); print (NR % 2) ? v[m] : (v[m] + v[m + 1]) / 2 }'; }
maximum() { tr ' ' '\n' | grep . | sort -g | tail -n 1; }
minimum() { tr ' ' '\n' | grep . | sort -g | head -n 1; }

# Each row timed right after its reference, and the ratio of every such
# pair: what the medium's flushes cost here swings by a factor of two within
# minutes, so only neighbours compare.
declare -A ratios_of beside_of
pair_ratio() { # row reference
  local a j
  a=$(tr ' ' '\n' <<<"${wall_of[$2]}" | grep . | tail -n 1)
  j=$(tr ' ' '\n' <<<"${wall_of[$1]}" | grep . | tail -n 1)
  beside_of[$1]=$2
  ratios_of[$1]+="$(awk -v a="$a" -v j="$j" 'BEGIN { printf "%.2f", (a > 0 ? j / a : 0) }') "
}

same_as_source() { cmp -s "$src" "$1" || fail "$2: $1 differs from the source"; }

count_files() { find "$1" -maxdepth 1 -type f -name "$2" | wc -l; }

expect_pieces() { # dir glob expected label
  local n
  n=$(count_files "$1" "$2")
  ((n == $3)) || fail "$4: $n pieces, expected $3"
}

disk_count=$(((source_size + disk_piece - 1) / disk_piece))
big_count=$(((source_size + big_piece - 1) / big_piece))

# CPU time spent by the whole machine (every process, not only ours) as
# "busy total" jiffies, to tell how much other work competed with the runs.
cpu_sample() { awk '$1 == "cpu" { t = 0; for (i = 2; i <= 9; i++) t += $i; print t - $5 - $6, t }' /proc/stat; }
busy_percent() { # busy0 total0 busy1 total1
  awk -v b0="$1" -v t0="$2" -v b1="$3" -v t1="$4" 'BEGIN { printf "%d", (t1 > t0) ? 100 * (b1 - b0) / (t1 - t0) : 0 }'
}
read -r idle_b0 idle_t0 < <(cpu_sample)
sleep 2
read -r idle_b1 idle_t1 < <(cpu_sample)
echo "CPU busy with other work before the runs: $(busy_percent "$idle_b0" "$idle_t0" "$idle_b1" "$idle_t1")% of $(nproc) cores" \
  "(other work on this machine makes the timings noisy)"

# One round that is not counted: the first copies after the test file was
# written run noticeably slower on a fresh virtual machine.
warmup=${WARMUP:-1}
[[ $warmup =~ ^[0-9]+$ ]] || { echo "WARMUP must be a number" >&2; exit 2; }
echo "Timing, $warmup warm-up round(s) not counted, then $runs counted run(s) per command ..."
read -r run_b0 run_t0 < <(cpu_sample)

# The commands take turns, one round per run, so that a slow spell of the
# machine hits all of them alike rather than one command's every run.
gnu=$work/gnu

round_reference() {
  rm -f "$work/cp.out"
  time_once "cp" cp "$src" "$work/cp.out"
  same_as_source "$work/cp.out" "cp"
  rm -f "$work/cp.out"
  # A durable copy, then a verified durable one: flushed, and read back
  # from the medium past the cache.
  # shellcheck disable=SC2016 # expanded by the inner shell
  time_once "cp + sync" sh -c 'cp "$1" "$2" && exec sync "$2"' sh "$src" "$work/cp.out"
  rm -f "$work/cp.out"
  # shellcheck disable=SC2016 # expanded by the inner shell
  time_once "cp + sync + direct read" sh -c 'cp "$1" "$2" && sync "$2" &&
    exec dd if="$2" of=/dev/null bs=4M iflag=direct status=none' sh "$src" "$work/cp.out"
  same_as_source "$work/cp.out" "cp + sync + direct read"
  rm -f "$work/cp.out"

  rm -rf "$gnu" && mkdir -p "$gnu"
  # shellcheck disable=SC2016 # expanded by the inner shell
  time_once "GNU split -b $disk_piece" sh -c 'cd "$1" && exec split -b "$2" -a 3 --numeric-suffixes=1 "$3" x.' sh "$gnu" "$disk_piece" "$src"
  expect_pieces "$gnu" 'x.*' "$disk_count" "GNU split"
  # shellcheck disable=SC2016 # expanded by the inner shell
  time_once "cat x.* > out" sh -c 'cd "$1" && exec cat x.* >"$2"' sh "$gnu" "$work/cat.out"
  same_as_source "$work/cat.out" "cat"
  rm -rf "$gnu" "$work/cat.out"
}

# The floor of a split: create the pieces and let the kernel copy.
floor=$work/floor
cc -O2 -o "$floor" "$repo/bench/floor.c" || fail "bench/floor.c does not build"
round_floor() { # label size expected-count
  local mode
  for mode in "" --sync --verify; do
    rm -rf "$work/floor-out" && mkdir -p "$work/floor-out"
    time_once "floor ${mode:+$mode }$1" "$floor" $mode "$src" "$work/floor-out" "$2"
    expect_pieces "$work/floor-out" 'p.*' "$3" "floor ${mode:+$mode }$1"
  done
  rm -rf "$work/floor-out"
}

# portelan-cli split, verify and cksfv of its checksum list, cat of the same
# pieces, then the joiner it wrote beside them. The joiner reads its answers
# from stdin: /dev/null gives up at any question.
round_portelan() { # label size dir expected-count
  local label=$1 size=$2 dir=$3 count=$4
  rm -rf "$dir" && mkdir -p "$dir"
  time_once "portelan split $label" "$cli" split "$src" "$dir" --size "$size"
  [ "$size" != disk ] || pair_ratio "portelan split $label" "floor --verify $label"
  expect_pieces "$dir" 'data.[0-9][0-9][0-9]' "$count" "portelan split $label"
  [ -f "$dir/_data.cfg" ] || fail "portelan split $label: no _data.cfg"
  [ -x "$dir/_data" ] || fail "portelan split $label: no executable _data"
  [ ! -e "$dir/data.bin" ] || fail "portelan split $label: data.bin exists before the join"
  time_once "portelan verify $label" "$cli" verify "$dir"
  # shellcheck disable=SC2016 # expanded by the inner shell
  time_once "cksfv -f $label" sh -c 'cd "$1" && exec cksfv -q -f _data.sfv' sh "$dir"
  # shellcheck disable=SC2016 # expanded by the inner shell
  time_once "cat pieces $label" sh -c 'cd "$1" && exec cat data.[0-9][0-9][0-9] >"$2"' sh "$dir" "$work/catp.out"
  same_as_source "$work/catp.out" "cat pieces $label"
  rm -f "$work/catp.out"
  # shellcheck disable=SC2016 # expanded by the inner shell
  time_once "cat + sync + direct $label" sh -c 'cd "$1" && cat data.[0-9][0-9][0-9] >"$2" && sync "$2" &&
    exec dd if="$2" of=/dev/null bs=4M iflag=direct status=none' sh "$dir" "$work/catp.out"
  same_as_source "$work/catp.out" "cat + sync + direct $label"
  rm -f "$work/catp.out"
  time_once "portelan join $label" "$dir/_data"
  pair_ratio "portelan join $label" "cat + sync + direct $label"
  same_as_source "$dir/data.bin" "portelan join $label"
  rm -rf "$dir"
}

# In the paired runs, every other run times ours first: of two commands,
# the one that follows a large write pays for the disk still flushing it.
ours_first=false
in_turn() { # reference-command our-command (each a function and its arguments, quoted)
  if $ours_first; then eval "$2; $1"; else eval "$1; $2"; fi
}

# The join alone beside its anchor, from a set split untimed. The pieces are
# read once first, so that both find them in the cache; each finds the
# other's rebuilt file gone.
time_join_anchor() { # label dir
  # shellcheck disable=SC2016 # expanded by the inner shell
  time_once "cat + sync + direct $1" sh -c 'cd "$1" && cat data.[0-9][0-9][0-9] >"$2" && sync "$2" &&
    exec dd if="$2" of=/dev/null bs=4M iflag=direct status=none' sh "$2" "$work/catp.out"
  same_as_source "$work/catp.out" "cat + sync + direct $1"
  rm -f "$work/catp.out"
}
time_join() { # label dir
  time_once "portelan join $1" "$2/_data"
  same_as_source "$2/data.bin" "portelan join $1"
  rm -f "$2/data.bin"
}
round_join() { # label size dir expected-count
  local label=$1 size=$2 dir=$3 count=$4
  rm -rf "$dir" && mkdir -p "$dir"
  "$cli" split "$src" "$dir" --size "$size" >"$logfile" 2>&1 || { cat "$logfile" >&2; fail "split $label"; }
  expect_pieces "$dir" 'data.[0-9][0-9][0-9]' "$count" "split $label"
  cat "$dir"/data.[0-9][0-9][0-9] >/dev/null
  # shellcheck disable=SC2016 # expanded by in_turn
  in_turn 'time_join_anchor "$label" "$dir"' 'time_join "$label" "$dir"'
  pair_ratio "portelan join $label" "cat + sync + direct $label"
  rm -rf "$dir"
}

# The split alone against its reference, without the recovery files: with
# one 1 GiB piece and a 1 MiB one, what counts is how the flushing and the
# reading back of a piece overlap its writing. The verified durable copy is
# timed again beside it.
plain_anchor="cp + sync + direct, beside"
time_plain_anchor() {
  rm -f "$work/cp.out"
  # shellcheck disable=SC2016 # expanded by the inner shell
  time_once "$plain_anchor" sh -c 'cp "$1" "$2" && sync "$2" &&
    exec dd if="$2" of=/dev/null bs=4M iflag=direct status=none' sh "$src" "$work/cp.out"
  same_as_source "$work/cp.out" "$plain_anchor"
  rm -f "$work/cp.out"
}
time_split() { # row dir expected-count split-arguments...
  local row=$1 dir=$2 count=$3
  shift 3
  rm -rf "$dir" && mkdir -p "$dir"
  time_once "$row" "$cli" split "$src" "$dir" "$@"
  expect_pieces "$dir" 'data.[0-9][0-9][0-9]' "$count" "$row"
  rm -rf "$dir"
}
round_plain() { # label size dir expected-count
  local split="portelan split $1 --recovery 0" size=$2 dir=$3 count=$4
  # shellcheck disable=SC2016 # expanded by in_turn
  in_turn time_plain_anchor 'time_split "$split" "$dir" "$count" --size "$size" --recovery 0'
  pair_ratio "$split" "$plain_anchor"
}

# The diskette split, with its recovery files, beside the floor doing the
# same durable, verified work.
time_floor_verify() {
  rm -rf "$work/floor-out" && mkdir -p "$work/floor-out"
  time_once "floor --verify --size disk" "$floor" --verify "$src" "$work/floor-out" "$disk_piece"
  expect_pieces "$work/floor-out" 'p.*' "$disk_count" "floor --verify --size disk"
  rm -rf "$work/floor-out"
}
round_disk_split() {
  # shellcheck disable=SC2016 # expanded by in_turn
  in_turn time_floor_verify 'time_split "portelan split --size disk" "$work/disk" "$disk_count" --size disk'
  pair_ratio "portelan split --size disk" "floor --verify --size disk"
}

# The paired rows alone: each command beside its reference, run after run,
# and the ratio of each pair against its target.
if [ -n "$pairs_only" ]; then
  pair_rows=("portelan join --size disk" "portelan join --size 1024M")
  [ "$pairs_only" = join ] ||
    pair_rows=("portelan split --size disk" "portelan split --size 1024M --recovery 0" "${pair_rows[@]}")
  for ((run = 1 - warmup; run <= runs; run++)); do
    if ((run % 2 == 0)); then ours_first=true; else ours_first=false; fi
    if [ "$pairs_only" = paired ]; then
      round_disk_split
      round_plain "--size 1024M" 1024M "$work/big" "$big_count"
    fi
    round_join "--size disk" disk "$work/disk" "$disk_count"
    round_join "--size 1024M" 1024M "$work/big" "$big_count"
    if ((run < 1)); then
      wall_of=() rss_of=() order=() ratios_of=()
    fi
  done
  echo "Load average $(cut -d' ' -f1-3 /proc/loadavg); every rebuilt file identical to the source."
  echo "Each command against its reference timed beside it, $runs run(s): the fastest of each and their"
  echo "ratio; the geometric mean of the runs' ratios, over all and by which went first (odd runs: the"
  echo "reference), how many runs met the target, and each run's ratio:"
  for row in "${pair_rows[@]}"; do
    ref=${beside_of[$row]}
    target=1.05
    [[ $row != "portelan join "* ]] || target=1.0
    awk -v l="${row#portelan }" -v j="$(minimum <<<"${wall_of[$row]}")" -v a="$(minimum <<<"${wall_of[$ref]}")" \
      -v m="$(maximum <<<"${rss_of[$row]}")" -v t="$target" -v r="${ratios_of[$row]}" \
      'BEGIN { n = split(r, v, " "); k = 0; for (i = 1; i <= n; i++) { k += (v[i] <= t); s[i % 2] += log(v[i]); c[i % 2]++ }
               g = exp((s[0] + s[1]) / n); g1 = c[1] ? exp(s[1] / c[1]) : 0; g0 = c[0] ? exp(s[0] / c[0]) : 0
               printf "  %-32s %6.2f s, reference %6.2f s: %.2fx; runs: %.2fx (reference first %.2fx, ours first %.2fx), %d of %d at most %sx; peak RSS %.1f MiB\n      %s\n", l, j, a, (a > 0 ? j / a : 0), g, g1, g0, k, n, t, m / 1024, r }'
  done
  exit 0
fi

# What the recovery files cost: the split without them, the split with the
# default amount, and par2 create making as many recovery slices of the same
# size from the same pieces (read from our own index file and volume names).
declare -A slice_of recovery_slices_of
round_recovery() { # label size
  local label=$1 size=$2 dir=$work/recovery
  rm -rf "$dir" && mkdir -p "$dir"
  time_once "split $label --recovery 0" "$cli" split "$src" "$dir" --size "$size" --recovery 0
  [ -z "${slice_of[$label]:-}" ] && fail "recovery $label: slice size unknown (run the default split first)"
  # shellcheck disable=SC2016 # expanded by the inner shell
  time_once "par2 create $label" sh -c 'cd "$1" && exec par2 create -q -q -s"$2" -c"$3" _p.par2 data.[0-9][0-9][0-9]' \
    sh "$dir" "${slice_of[$label]}" "${recovery_slices_of[$label]}"
  rm -rf "$dir" && mkdir -p "$dir"
  time_once "split $label" "$cli" split "$src" "$dir" --size "$size"
  (cd "$dir" && par2 verify -q -q _data.par2 >/dev/null) || fail "recovery $label: par2 verify refused our files"
  rm -rf "$dir"
}
# The layout our splitter chooses, from a set of its own: the slice size in
# the index file's Main packet, the recovery slices from the volume names.
learn_layout() { # label size
  local dir=$work/layout
  rm -rf "$dir" && mkdir -p "$dir"
  "$cli" split "$src" "$dir" --size "$2" >/dev/null 2>&1 || fail "recovery $1: the split failed"
  slice_of[$1]=$(od -An -tu8 -j64 -N8 "$dir/_data.par2" | tr -d ' ')
  recovery_slices_of[$1]=$(cd "$dir" && ls _data.vol*.par2 | sed 's/.*+0*\([0-9][0-9]*\)\.par2$/\1/' | paste -sd+ | bc)
  rm -rf "$dir"
}
"$repo/scripts/deps.sh" par2 bc
learn_layout "--size disk" disk
learn_layout "--size 100M" 100M

for ((run = 1 - warmup; run <= runs; run++)); do
  round_reference
  round_floor "--size disk" "$disk_piece" "$disk_count"
  round_portelan "--size disk" disk "$work/disk" "$disk_count"
  round_portelan "--size 1024M" 1024M "$work/big" "$big_count"
  round_plain "--size 1024M" 1024M "$work/big" "$big_count"
  round_recovery "--size disk" disk
  round_recovery "--size 100M" 100M
  if ((run < 1)); then
    wall_of=() rss_of=() order=() ratios_of=()
    echo "  warm-up round done (every result checked, times dropped)"
  else
    echo "  run $run of $runs done"
  fi
done

read -r run_b1 run_t1 < <(cpu_sample)
echo "CPU busy during the runs (this benchmark included): $(busy_percent "$run_b0" "$run_t0" "$run_b1" "$run_t1")%;" \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"

# --- report --------------------------------------------------------------
cp_median=$(median <<<"${wall_of[cp]}")
echo
echo "Source: $source_size bytes (1 GiB + 1 MiB; exactly 1 GiB would be a single 1 GiB piece, which"
echo "the splitter refuses, so the extra MiB makes --size 1024M give 2 pieces: 1 GiB + 1 MiB)."
echo "Pieces: --size disk ($disk_piece bytes) and GNU split -b $disk_piece: $disk_count; --size 1024M: $big_count."
echo "Every rebuilt file was compared with the source (cmp): all identical."
echo "Median of $runs run(s) per command (min s: the fastest run); peak RSS is the highest of the runs;"
echo "the test file is in the page cache. The ratio and the target use the medians."
echo
# What each of ours is measured against, run for run beside it: a split,
# which flushes its pieces and reads them back from the medium, against the
# floor doing the same for diskette pieces and a verified durable cp for
# 1 GiB pieces; a join, which flushes the rebuilt file and reads it back,
# against cat of the same pieces with sync and a direct read; verify
# against cksfv.
reference_of() {
  case $1 in
  "portelan split --size disk") echo "floor --verify --size disk" ;;
  "portelan split "*" --recovery 0") echo "$plain_anchor" ;;
  "portelan split "*) echo "cp + sync + direct read" ;;
  "portelan join "*) echo "cat + sync + direct ${1#portelan join }" ;;
  "portelan verify "*) echo "cksfv -f ${1#portelan verify }" ;;
  esac
}
table_row() { printf '%-28s %9s %7s %14s %7s  %s\n' "$@"; }
table_row "command" "median s" "vs cp" "peak RSS MiB" "min s" "vs its reference"
table_row "----------------------------" "--------" "-----" "------------" "-----" "----------------"
for row in "${order[@]}"; do
  med=$(median <<<"${wall_of[$row]}")
  peak=$(maximum <<<"${rss_of[$row]}")
  best=$(minimum <<<"${wall_of[$row]}")
  ratio=$(awk -v a="$med" -v b="$cp_median" 'BEGIN { if (b > 0) printf "%.2fx", a / b; else print "n/a" }')
  peak_mib=$(awk -v k="$peak" 'BEGIN { printf "%.1f", k / 1024 }')
  verdict=""
  ref=$(reference_of "$row")
  if [ -n "$ref" ] && [ -n "${wall_of[$ref]:-}" ]; then
    verdict=$(awk -v a="$med" -v b="$(median <<<"${wall_of[$ref]}")" -v m="$peak_mib" -v mt="$rss_target_mib" \
      -v ref="$ref" 'BEGIN { printf "%.2fx %s, memory %s", (b > 0 ? a / b : 0), ref, (m <= mt ? "ok" : "MISSED") }')
  fi
  table_row "$row" "$med" "$ratio" "$peak_mib" "$best" "$verdict"
done
echo
echo "Targets: split at most 1.05x its reference (cp + sync + direct read for 1 GiB pieces, floor --verify for"
echo "diskette pieces), join at most 1.0x cat + sync + direct read of the same pieces, verify no slower than"
echo "cksfv -f, peak memory at most ${rss_target_mib} MiB."
for row in "${order[@]}"; do
  [ -z "${ratios_of[$row]:-}" ] || echo "$row against ${beside_of[$row]} timed just before it, run by run: ${ratios_of[$row]}"
done
echo
echo "Recovery files (one piece's worth, the default): what they add to a split, against par2 create"
echo "making as many recovery slices of the same size from the same pieces (target: at least 5x faster"
echo "where the coding dominates):"
for label in "--size disk" "--size 100M"; do
  with=$(median <<<"${wall_of["split $label"]}")
  without=$(median <<<"${wall_of["split $label --recovery 0"]}")
  theirs=$(median <<<"${wall_of["par2 create $label"]}")
  awk -v l="$label" -v w="$with" -v wo="$without" -v t="$theirs" -v s="${slice_of[$label]}" -v r="${recovery_slices_of[$label]}" \
    'BEGIN { c = w - wo; printf "  %-12s slices of %d bytes, %d recovery slices: split %.2f s, without recovery %.2f s, so %.2f s for the recovery; par2 create %.2f s (%.1fx)\n", l, s, r, w, wo, c, t, (c > 0 ? t / c : 0) }'
done
echo "Wall seconds of every run:"
for row in "${order[@]}"; do printf '  %-28s %s\n' "$row" "${wall_of[$row]}"; done
