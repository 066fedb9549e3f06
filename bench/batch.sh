#!/usr/bin/env bash
# Batch speed of palconv against cp, per format, in one run:
#   [RUNS=3] [WORK=/dev/shm] [BASELINE=OTHER_PALCONV] bench/batch.sh [PALCONV] [COUNT]
# Makes COUNT different palettes (default 10000) in every format palconv reads, in a folder
# under WORK (tmpfs by default: on a disk the times vary tenfold from run to run). Then, for
# each format, times `cp` copying the COUNT files into a new folder and `palconv` converting
# them all beside themselves (PNG strips, the apps' palettes, style sheets and JSON palettes to
# GIMP palettes), each in one call: both read COUNT
# files and create COUNT new ones. Prints the best of RUNS runs of each, wall-clock and CPU time, and the ratios
# palconv / cp. With BASELINE, another palconv (an older build, say) takes its turn in every
# round too, and its figures and ratios follow. Reports only; it asserts nothing.
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
baseline=${BASELINE:-}
if [ -n "$baseline" ]; then
  [ -x "$baseline" ] || { echo "batch.sh: BASELINE $baseline is not a program" >&2; exit 2; }
  baseline=$(cd "$(dirname "$baseline")" && pwd)/$(basename "$baseline")
fi

work=$(mktemp -d "${WORK:-/dev/shm}/varnel-batch.XXXXXX")
trap 'rm -rf "$work"' EXIT

# COUNT different palettes: the bundled sunset with its first entry varied, as ACT tables,
# then each format written from those by palconv itself.
mkdir "$work/pal" "$work/act"
body=$(tail -n +5 "$repo/examples/sunset.pal")
for ((i = 0; i < count; i++)); do
  printf 'JASC-PAL\r\n0100\r\n256\r\n%d %d %d\r\n%s\r\n' \
    $((i % 256)) $((i / 256 % 256)) 7 "$body" >"$work/pal/p$i.pal"
done
(cd "$work/pal" && "$palconv" -- p*.pal >/dev/null && mv -- *.act ../act/)
formats=(pal act gpl hex paintnet riff aco ase kpl procreate soc scribus css scss sketch json lospec raw png
  gif bmp pcx)
for format in gpl hex paintnet riff aco ase kpl procreate soc scribus css scss sketch json lospec raw; do
  mkdir "$work/$format"
  (cd "$work/act" && "$palconv" --to "$format" -- p*.act >/dev/null 2>&1 &&
    find . -name 'p*' ! -name '*.act' -exec mv -t "../$format/" {} +)
done
# Pictures, made with Pillow (Debian's python3-pil): a true-colour strip of one pixel per
# colour as Lospec offers palettes, and 16 x 16 indexed GIF, BMP and PCX pictures.
mkdir "$work/png" "$work/gif" "$work/bmp" "$work/pcx"
/usr/bin/python3 - "$work" "$count" <<'EOF' || { echo "batch.sh: pictures need python3-pil" >&2; exit 2; }
import sys
from PIL import Image
work, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    table = open('%s/act/p%d.act' % (work, i), 'rb').read()
    strip = Image.frombytes('RGB', (256, 1), table)
    strip.save('%s/png/p%d.png' % (work, i))
    indexed = Image.frombytes('P', (16, 16), bytes(range(256)))
    indexed.putpalette(table)
    for kind in ('gif', 'bmp', 'pcx'):
        indexed.save('%s/%s/p%d.%s' % (work, kind, i, kind), optimize=False)
EOF
find "$work" -type f -exec cat {} + >/dev/null  # both contenders start with the files cached

best() {  # best CURRENT NEW: the smaller, "" counting as none
  awk -v t="$2" -v b="$1" 'BEGIN { printf "%.3f", (b == "" || t < b) ? t : b }'
}
timed() {  # timed COMMAND...: sets $real and $cpu (user + system) of one run, in seconds
  find . -type f ! -name "*.$ext" -delete
  rm -rf "$work/copy" && mkdir "$work/copy"
  local TIMEFORMAT='%R %U %S' user sys
  { time "$@" >/dev/null 2>&3; } 3>&2 2>"$work/time"
  read -r real user sys <"$work/time"
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')
}

echo "$count palettes of each format, on $(df --output=fstype "$work" | tail -1); best of $runs"
echo "format    bytes   cp wall  cpu     palconv wall  cpu     ratio wall  cpu${baseline:+   baseline wall  cpu     ratio wall  cpu}"
for format in "${formats[@]}"; do
  cd "$work/$format"
  files=(p*)
  ext=${files[0]##*.}
  from=()
  [ "$format" = raw ] && from=(--from raw)  # raw triplets announce nothing
  case $format in  # a PNG strip, an app's palette, a style sheet or a JSON one becomes a GIMP palette
    png | kpl | procreate | soc | scribus | css | scss | sketch | json | lospec) from=(--to gpl) ;;
  esac
  cp_wall="" cp_cpu="" palconv_wall="" palconv_cpu="" base_wall="" base_cpu=""
  for ((r = 0; r < runs; r++)); do  # they take turns, each keeping its fastest run
    timed cp -- "${files[@]}" ../copy/
    cp_wall=$(best "$cp_wall" "$real") cp_cpu=$(best "$cp_cpu" "$cpu")
    timed "$palconv" "${from[@]}" -- "${files[@]}"
    palconv_wall=$(best "$palconv_wall" "$real") palconv_cpu=$(best "$palconv_cpu" "$cpu")
    [ -z "$baseline" ] && continue
    timed "$baseline" "${from[@]}" -- "${files[@]}"
    base_wall=$(best "$base_wall" "$real") base_cpu=$(best "$base_cpu" "$cpu")
  done
  converted=$(find . -type f ! -name "*.$ext" | wc -l)
  if [ "$converted" -ne "$count" ]; then
    echo "batch.sh: palconv converted $converted of $count $format files" >&2
    exit 1
  fi
  awk -v f="$format" -v b="$(stat -c %s "${files[0]}")" -v cw="$cp_wall" -v cc="$cp_cpu" \
    -v pw="$palconv_wall" -v pc="$palconv_cpu" -v bw="$base_wall" -v bc="$base_cpu" \
    'BEGIN { printf "%-9s %5d   %6.3f  %6.3f  %6.3f        %6.3f  %5.2f       %5.2f",
             f, b, cw, cc, pw, pc, pw / cw, pc / cc
             if (bw != "") printf "        %6.3f         %6.3f  %5.2f       %5.2f", bw, bc, bw / cw, bc / cc
             print "" }'
done
