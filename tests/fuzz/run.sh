#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each for SECONDS (default 20) on
# a copy of its corpus in tests/fuzz/corpus/<target>: the corpus is
# replayed first, then the fuzzer explores. Fails when any target finds a
# crash, a leak, a hang or a memory hog; the input is kept in
# build/fuzz/run/findings/<target>/ and belongs in the corpus once fixed.
#   tests/fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-20}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  for source in tests/fuzz/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

work=build/fuzz/run
rm -rf "$work"
failed=()
for target in "${targets[@]}"; do
  corpus=$work/corpus/$target
  findings=$work/findings/$target
  mkdir -p "$corpus" "$findings"
  cp tests/fuzz/corpus/"$target"/* "$corpus"/
  log=$work/$target.log
  if build/fuzz/bin/fuzz_"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz $target: ${runs:-?} runs in ${seconds}s, no finding"
  else
    echo "fuzz $target: FAILED" >&2
    grep -E -A 30 '^==[0-9]+==|runtime error|deadly signal|out-of-memory|timeout' "$log" | head -n 60 >&2 || tail -n 40 "$log" >&2
    ls "$findings" >&2
    failed+=("$target")
  fi
done
if ((${#failed[@]})); then
  echo "Findings in: ${failed[*]}" >&2
  exit 1
fi
