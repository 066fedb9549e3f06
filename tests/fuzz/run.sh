#!/usr/bin/env bash
# Runs one fuzz target and reports how many inputs it tried.
#   tests/fuzz/run.sh TARGET SECONDS [RUNS]
# TARGET is jasc_pal, act or naming; the run stops after SECONDS, or after RUNS inputs when
# that comes first. Build the targets first: cmake --preset fuzz && cmake --build --preset fuzz
# The seed corpus is only read; what the fuzzer learns goes to build/fuzz/work/TARGET, an
# input that breaks a property to build/fuzz/artifacts/TARGET/.
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 jasc_pal|act|naming SECONDS [RUNS]" >&2
  exit 2
fi
target=$1
seconds=$2
runs=${3:--1}
case "$target" in
  jasc_pal|act|naming) ;;
  *) echo "run.sh: unknown target '$target' (jasc_pal, act or naming)" >&2; exit 2 ;;
esac

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build/fuzz}
binary=$build/tests/fuzz/fuzz_$target
if [ ! -x "$binary" ]; then
  echo "run.sh: $binary is missing; build it with: cmake --preset fuzz && cmake --build --preset fuzz" >&2
  exit 1
fi

work=$build/work/$target
artifacts=$build/artifacts/$target
log=$build/logs/$target.log
mkdir -p "$work" "$artifacts" "$(dirname "$log")"

options=(-max_total_time="$seconds" -runs="$runs" -print_final_stats=1
         -artifact_prefix="$artifacts/" -timeout=10 -rss_limit_mb=1024)
if [ "$target" = jasc_pal ]; then
  # Room for all 259 lines, so the fuzzer reaches the end of a whole file.
  options+=(-max_len=4096 -dict="$here/jasc_pal.dict")
fi
seeds=("$here/corpus/$target")
[ -d "$here/regressions/$target" ] && seeds+=("$here/regressions/$target")

status=0
"$binary" "${options[@]}" "$work" "${seeds[@]}" >"$log" 2>&1 || status=$?

executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
elapsed=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)
findings=$(find "$artifacts" -type f | wc -l)
echo "$target: ${executions:-?} executions in ${elapsed:-?} s, $findings finding(s), log $log"
if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
  echo "$target: broken property or crash; inputs in $artifacts/ (fix, then keep them in" \
       "tests/fuzz/regressions/$target/)" >&2
  exit 1
fi
