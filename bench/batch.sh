#!/usr/bin/env bash
# Batch speed of palconv against cp, on the same disk, in one run:
#   [RUNS=3] bench/batch.sh [PALCONV] [COUNT]
# Makes COUNT small JASC-PAL files (default 10000), then times `cp` copying them all into a
# new folder and `palconv` converting them all beside themselves (each to a new .act file),
# each in one call. Both read COUNT files and create COUNT new ones. Prints the best of
# three runs of each, wall-clock and CPU time, and the ratios palconv / cp. On a busy
# machine the CPU figures are the steadier ones. Reports only; it asserts nothing.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
palconv=${1:-$repo/build/native/cli/palconv}
count=${2:-10000}
runs=${RUNS:-3}

if [ ! -x "$palconv" ]; then
  echo "batch.sh: palconv not found at $palconv; build it first (make native)" >&2
  exit 2
fi
palconv=$(cd "$(dirname "$palconv")" && pwd)/$(basename "$palconv")

mkdir -p "$repo/build"
work=$(mktemp -d "$repo/build/batch.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/src"

# COUNT different palettes: the bundled sunset with its first entry varied.
body=$(tail -n +5 "$repo/examples/sunset.pal")
for ((i = 0; i < count; i++)); do
  printf 'JASC-PAL\r\n0100\r\n256\r\n%d %d %d\r\n%s\r\n' \
    $((i % 256)) $((i / 256 % 256)) 7 "$body" >"$work/src/p$i.pal"
done
cat "$work/src"/* >/dev/null  # both contenders start with the files in the page cache

# On some file systems repeated mass creation slows down from run to run, whichever program
# does it, so the two contenders take turns and each keeps its fastest run.
best() {  # best CURRENT NEW: the smaller, "" counting as none
  awk -v t="$2" -v b="$1" 'BEGIN { printf "%.3f", (b == "" || t < b) ? t : b }'
}
timed() {  # timed COMMAND...: sets $real and $cpu (user + system) of one run, in seconds
  rm -rf "$work/copy" "$work/src"/*.act
  mkdir "$work/copy"
  sync
  local TIMEFORMAT='%R %U %S' user sys
  { time "$@" >/dev/null 2>&3; } 3>&2 2>"$work/time"
  read -r real user sys <"$work/time"
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')
}

cd "$work/src"
files=(p*.pal)

cp_wall="" cp_cpu="" palconv_wall="" palconv_cpu=""
for ((r = 0; r < runs; r++)); do
  timed cp -- "${files[@]}" ../copy/
  cp_wall=$(best "$cp_wall" "$real") cp_cpu=$(best "$cp_cpu" "$cpu")
  timed "$palconv" -- "${files[@]}"
  palconv_wall=$(best "$palconv_wall" "$real") palconv_cpu=$(best "$palconv_cpu" "$cpu")
done

converted=$(find . -name '*.act' -size 768c | wc -l)
if [ "$converted" -ne "$count" ]; then
  echo "batch.sh: palconv wrote $converted of $count .act files" >&2
  exit 1
fi

echo "files:    $count JASC-PAL palettes of $(stat -c %s p0.pal) bytes or so"
echo "          wall s   cpu s (user + system), best of $runs"
echo "cp        $cp_wall    $cp_cpu"
echo "palconv   $palconv_wall    $palconv_cpu"
awk -v pw="$palconv_wall" -v cw="$cp_wall" -v pc="$palconv_cpu" -v cc="$cp_cpu" \
  'BEGIN { printf "ratio     %.2f     %.2f     (palconv / cp)\n", pw / cw, pc / cc }'
