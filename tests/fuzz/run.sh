#!/usr/bin/env bash
# Fuzzes for SECONDS, or RUNS inputs when that comes first:  tests/fuzz/run.sh SECONDS [RUNS]
# after cmake --preset fuzz && cmake --build --preset fuzz. The stored inputs are only read;
# the fuzzer's own go to build/fuzz/work, one that breaks a property to build/fuzz/artifacts.
# Every file of the format corpus (tests/formats) is a seed too, under sniffing and under the
# check its name's last extension but one or last names (x.riff.pal: riff, x.gpl: gpl; an
# extension that names no format is sniffed), so that a new format's corpus seeds its reader.
set -euo pipefail
[ $# -ge 1 ] && [ $# -le 2 ] || { echo "usage: $0 SECONDS [RUNS]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
build=${FUZZ_BUILD_DIR:-$(cd "$here/../.." && pwd)/build/fuzz}
mkdir -p "$build/work" "$build/artifacts" && status=0
rm -rf "$build/seeds" && mkdir "$build/seeds"
for file in "$here/../formats"/*; do
  name=${file##*/}
  case $name in *.expect | *.md | *.py) continue ;; esac
  check=${name#*.}
  { printf '%s\n' "${check%%.*}"; cat "$file"; } >"$build/seeds/$name"
  { printf 'sniff\n'; cat "$file"; } >"$build/seeds/sniff-$name"
done
"$build/tests/fuzz_palette" -max_total_time="$1" -runs="${2:--1}" -max_len=4096 -timeout=10 \
  -rss_limit_mb=1024 -dict="$here/palette.dict" -artifact_prefix="$build/artifacts/" \
  -print_final_stats=1 "$build/work" "$build/seeds" "$here/corpus" "$here/regressions" >"$build/fuzz.log" 2>&1 || status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/fuzz.log")
seconds=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$build/fuzz.log")
findings=$(find "$build/artifacts" -type f | wc -l)
echo "fuzz_palette: ${runs:-?} executions in ${seconds:-?} s, $findings finding(s), log $build/fuzz.log"
[ "$status" -eq 0 ] && [ "$findings" -eq 0 ]
