#!/usr/bin/env bash
# Colour reduction of palconv against pngquant and ImageMagick, on photographs from Debian:
#   [RUNS=3] [WORK=/dev/shm] [DEBS=DIR] [COLOURS="16 64 256"] [BIG="LadyBird EveningGlow ColorfulCups"] \
#     bench/reduce.sh [PALCONV]
# Takes twelve photographs out of Debian's mate-backgrounds and plasma-workspace-wallpapers
# (fetched with `apt-get download` into a folder under WORK, or taken from DEBS, a folder that
# already holds both .deb files) and writes each as a PNG once, so that the three programs
# read the same pixels: every photo at its own size, and the BIG ones also scaled up (Lanczos)
# and cut to 4096 x 4096. For each picture and each N of COLOURS, `palconv --colours N`,
# `pngquant N --nofs` (its default speed) and ImageMagick's `convert +dither -colors N` take
# turns RUNS times; the best wall-clock and CPU (user + system) time of each is kept, and the
# peak RSS; the first BIG photo is also reduced at a tenth of its size, and by palconv alone,
# once, at 8192 x 8192, for the memory table. Every palette is then scored on the same
# pixels: the mean Oklab distance of each pixel to its nearest palette colour, no dithering.
# Prints Markdown tables of errors, times, ratios palconv / pngquant and peak memory.
# Reports only; it asserts nothing. Needs pngquant, imagemagick, time, python3-pil and
# python3-numpy (it says which are missing and installs nothing) and about 140 MB of
# packages from the archive; the pictures live only in the temporary folder. About 13
# minutes on two cores.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
palconv=${1:-$repo/build/native/cli/palconv}
runs=${RUNS:-3}
read -ra colours <<<"${COLOURS:-16 64 256}"
read -ra big <<<"${BIG:-LadyBird EveningGlow ColorfulCups}"
python=/usr/bin/python3  # Debian's, where python3-pil and python3-numpy are

if [ ! -x "$palconv" ]; then
  echo "reduce.sh: palconv not found at $palconv; build it first (make native)" >&2
  exit 2
fi
palconv=$(cd "$(dirname "$palconv")" && pwd)/$(basename "$palconv")
missing=()
command -v pngquant >/dev/null || missing+=(pngquant)
command -v convert >/dev/null || missing+=(imagemagick)
[ -x /usr/bin/time ] || missing+=(time)
"$python" -c 'import PIL' 2>/dev/null || missing+=(python3-pil)
"$python" -c 'import numpy' 2>/dev/null || missing+=(python3-numpy)
if [ ${#missing[@]} -gt 0 ]; then
  echo "reduce.sh: missing: apt-get install ${missing[*]}" >&2
  exit 2
fi

work=$(mktemp -d "${WORK:-/dev/shm}/varnel-reduce.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/debs" "$work/photos" "$work/pictures" "$work/out"

# The photographs: name, package, path in the package. Both packages say GPL-2+.
photos=(
  "Aqua mate-backgrounds usr/share/backgrounds/mate/nature/Aqua.jpg"
  "Dune mate-backgrounds usr/share/backgrounds/mate/nature/Dune.jpg"
  "FreshFlower mate-backgrounds usr/share/backgrounds/mate/nature/FreshFlower.jpg"
  "LadyBird mate-backgrounds usr/share/backgrounds/mate/nature/LadyBird.jpg"
  "Storm mate-backgrounds usr/share/backgrounds/mate/nature/Storm.jpg"
  "TwoWings mate-backgrounds usr/share/backgrounds/mate/nature/TwoWings.jpg"
)
for name in BytheWater ColorfulCups EveningGlow FallenLeaf OneStandsOut Path; do
  photos+=("$name plasma-workspace-wallpapers usr/share/wallpapers/$name/contents/images/2560x1600.jpg")
done
for package in mate-backgrounds plasma-workspace-wallpapers; do
  if [ -n "${DEBS:-}" ]; then
    debs=("$DEBS/${package}"_*.deb)
    [ -f "${debs[0]}" ] || { echo "reduce.sh: no ${package}_*.deb in $DEBS" >&2; exit 2; }
    cp -- "${debs[0]}" "$work/debs/"
  else
    (cd "$work/debs" && apt-get download -q "$package" >"$work/apt.log" 2>&1) ||
      { echo "reduce.sh: apt-get download $package failed:" >&2; cat "$work/apt.log" >&2; exit 2; }
  fi
  deb=("$work/debs/${package}"_*.deb)
  members=()
  for photo in "${photos[@]}"; do
    read -r _ from path <<<"$photo"
    [ "$from" = "$package" ] && members+=("./$path")
  done
  dpkg-deb --fsys-tarfile "${deb[0]}" | tar -x -C "$work/photos" "${members[@]}"
  echo "$package $(dpkg-deb -f "${deb[0]}" Version)" >>"$work/versions"
  rm -f -- "${deb[0]}"
done

# The pictures every program reads: RGB PNGs, the photo at its own size, the BIG ones at
# 4096 x 4096 too, and the first of them also at a tenth of its size and at 8192 x 8192 for
# the memory table.
list=()
for photo in "${photos[@]}"; do
  read -r name _ path <<<"$photo"
  list+=("$name" "$work/photos/$path")
done
"$python" - "$work/pictures" "${big[*]}" "${list[@]}" <<'EOF'
import sys
from PIL import Image
out, big, pairs = sys.argv[1], sys.argv[2].split(), sys.argv[3:]
for name, path in zip(pairs[0::2], pairs[1::2]):
    photo = Image.open(path).convert('RGB')
    photo.save('%s/%s.png' % (out, name))
    if name in big:
        scale = 4096 / min(photo.size)
        w, h = round(photo.size[0] * scale), round(photo.size[1] * scale)
        x, y = (w - 4096) // 2, (h - 4096) // 2
        photo.resize((w, h), Image.LANCZOS).crop((x, y, x + 4096, y + 4096)).save(
            '%s/%s-4096.png' % (out, name))
        if name == big[0]:
            photo.resize((2 * w, 2 * h), Image.LANCZOS).crop(
                (2 * x, 2 * y, 2 * x + 8192, 2 * y + 8192)).save('%s/%s-8192.png' % (out, name))
            photo.resize((photo.size[0] // 10, photo.size[1] // 10), Image.LANCZOS).save(
                '%s/%s-small.png' % (out, name))
EOF

one() {  # one TOOL PICTURE N OUT: one run; sets $wall, $cpu (seconds) and $rss (KiB)
  local cmd
  case $1 in
    palconv) cmd=("$palconv" --colours "$3" --to hex -o "$4.hex" "$2") ;;
    pngquant) cmd=(pngquant --nofs --force --output "$4.png" "$3" "$2") ;;
    magick) cmd=(convert "$2" +dither -colors "$3" "$4.png") ;;
  esac
  if ! /usr/bin/time -f '%e %U %S %M' -o "$work/time" "${cmd[@]}" >/dev/null 2>"$work/err"; then
    echo "reduce.sh: failed: ${cmd[*]}" >&2
    cat "$work/err" >&2
    exit 1
  fi
  local user sys
  read -r wall user sys rss <"$work/time"
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
}
best() {  # best CURRENT NEW: the smaller, "" counting as none
  awk -v t="$2" -v b="$1" 'BEGIN { print (b == "" || t + 0 < b + 0) ? t : b }'
}
tools=(palconv pngquant magick)
measure() {  # measure TABLE NAME PICTURE: every N, the programs taking turns
  local n tool r
  for n in "${colours[@]}"; do
    echo "reduce.sh: $2 ($1), $n colours" >&2
    declare -A bw=() bc=() br=()
    for ((r = 0; r < runs; r++)); do
      for tool in "${tools[@]}"; do
        one "$tool" "$3" "$n" "$work/out/$2-$1-$n-$tool"
        bw[$tool]=$(best "${bw[$tool]:-}" "$wall")
        bc[$tool]=$(best "${bc[$tool]:-}" "$cpu")
        br[$tool]=$(awk -v a="${br[$tool]:-0}" -v b="$rss" 'BEGIN { print (b > a) ? b : a }')
      done
    done
    for tool in "${tools[@]}"; do
      local palette=$work/out/$2-$1-$n-$tool.png
      [ "$tool" = palconv ] && palette=$work/out/$2-$1-$n-$tool.hex
      printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$n" "$tool" \
        "${bw[$tool]}" "${bc[$tool]}" "${br[$tool]}" "$palette" >>"$work/results"
    done
    unset bw bc br
  done
}

start=$SECONDS best_of=$runs
for photo in "${photos[@]}"; do
  read -r name _ <<<"$photo"
  measure own "$name" "$work/pictures/$name.png"
done
for name in "${big[@]}"; do
  measure 4096 "$name" "$work/pictures/$name-4096.png"
done
colours=(256)
measure small "${big[0]}" "$work/pictures/${big[0]}-small.png"
tools=(palconv)  # the others would take minutes at 8192 x 8192; this is for memory, once
runs=1
measure 8192 "${big[0]}" "$work/pictures/${big[0]}-8192.png"

echo "Photographs from $(paste -sd, "$work/versions" | sed 's/,/, /g'); best of $best_of runs;" \
  "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the end; measured in $((SECONDS - start)) s"
echo
"$python" - "$work/results" <<'EOF'
import math, sys
import numpy as np
from PIL import Image

# Björn Ottosson's Oklab: linear sRGB to LMS, cube roots, LMS' to Lab.
M1 = np.array([[0.4122214708, 0.5363325363, 0.0514459929],
               [0.2119034982, 0.6806995451, 0.1073969566],
               [0.0883024619, 0.2817188376, 0.6299787005]])
M2 = np.array([[0.2104542553, 0.7936177850, -0.0040720468],
               [1.9779984951, -2.4285922050, 0.4505937099],
               [0.0259040371, 0.7827717662, -0.8086757660]])

def oklab(rgb):  # (k, 3) bytes to (k, 3) Oklab
    c = rgb.astype(np.float64) / 255
    linear = np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)
    return np.cbrt(linear @ M1.T) @ M2.T

pixels = {}
def colours_of(picture):  # the picture's distinct colours in Oklab, and their pixel counts
    if picture not in pixels:
        rgb = np.asarray(Image.open(picture).convert('RGB')).reshape(-1, 3).astype(np.uint32)
        packed, counts = np.unique(rgb[:, 0] << 16 | rgb[:, 1] << 8 | rgb[:, 2], return_counts=True)
        triples = np.stack([packed >> 16, packed >> 8 & 255, packed & 255], axis=1)
        pixels.clear()  # the results of one picture come one after another
        pixels[picture] = (oklab(triples), counts.astype(np.float64), len(rgb))
    return pixels[picture]

def palette_of(path):  # palconv's hex list, or the colours the others' pictures use
    if path.endswith('.hex'):
        rgb = [[int(line[i:i + 2], 16) for i in (0, 2, 4)] for line in open(path) if line.strip()]
    else:
        rgb = [c for _, c in Image.open(path).convert('RGB').getcolors(1 << 16)]
    return np.array(rgb, dtype=np.uint8)

def error(picture, palette):  # mean Oklab distance of each pixel to its nearest colour
    lab, counts, total = colours_of(picture)
    p = oklab(palette)
    p2 = (p * p).sum(1)
    sum_ = 0.0
    for i in range(0, len(lab), 16384):
        x = lab[i:i + 16384]
        d2 = (x * x).sum(1) + (p2[None, :] - 2 * x @ p.T).min(1)
        sum_ += (np.sqrt(np.maximum(d2, 0)) * counts[i:i + 16384]).sum()
    return sum_ / total

rows, sizes, short = {}, {}, []
for line in open(sys.argv[1]):
    table, name, picture, n, tool, wall, cpu, rss, path = line.rstrip('\n').split('\t')
    palette = palette_of(path)
    if len(palette) < int(n):
        short.append('%s (%s) N = %s: %s gave %d colours' % (name, table, n, tool, len(palette)))
    e = error(picture, palette) if table in ('own', '4096') else float('nan')
    if picture not in sizes:
        sizes[picture] = Image.open(picture).size
    rows.setdefault((table, name, picture, int(n)), {})[tool] = (e, float(wall), float(cpu), int(rss))

tools = ('palconv', 'pngquant', 'magick')
def table(which, title):
    keys = [k for k in rows if k[0] == which]
    print('%s, mean Oklab distance × 100 (lower is better); time: wall s (CPU s)' % title)
    print()
    print('| Picture | N | palconv error | pngquant error | ImageMagick error | palconv / pngquant error'
          ' | palconv time | pngquant time | ImageMagick time | palconv / pngquant time (wall, CPU) |')
    print('|---|---|---|---|---|---|---|---|---|---|')
    er, tr, cr, below_im, fast = [], [], [], 0, 0
    for k in keys:
        r = rows[k]
        (pe, pw, pc, _), (qe, qw, qc, _), (me, mw, mc, _) = (r[t] for t in tools)
        er.append(1.0 if pe == qe else pe / qe)  # 0 / 0: fewer colours than N, all kept
        tr.append(pw / qw)
        cr.append(pc / qc)
        below_im += pe < me
        fast += pw <= qw
        print('| %s | %d | %.3f | %.3f | %.3f | %.3f | %.2f (%.2f) | %.2f (%.2f) | %.2f (%.2f) | %.2f, %.2f |'
              % (k[1], k[3], 100 * pe, 100 * qe, 100 * me, er[-1], pw, pc, qw, qc, mw, mc, pw / qw, pc / qc))
    g = lambda v: math.exp(sum(map(math.log, v)) / len(v))
    print()
    print('%d rows. palconv / pngquant error: geometric mean %.3f, worst %.3f, %d rows at most 1.05;'
          ' palconv below ImageMagick in %d rows. palconv / pngquant time: geometric mean %.2f wall,'
          ' %.2f CPU, worst %.2f wall; palconv at most pngquant\'s wall time in %d rows.'
          % (len(keys), g(er), max(er), sum(e <= 1.05 for e in er), below_im, g(tr), g(cr), max(tr), fast))
    print()

table('own', 'Photographs at their own size')
table('4096', 'Photographs scaled to 4096 × 4096')
mem, big = {}, {k[1] for k in rows if k[0] != 'own'}
for (_, name, picture, _), r in rows.items():
    if name in big:
        m = mem.setdefault((name, picture), {})
        for t in r:
            m[t] = max(m.get(t, 0), r[t][3])
print('Peak RSS (the most of any N and run) of the pictures also scaled up:')
print()
print('| Picture | Size | palconv | pngquant | ImageMagick |')
print('|---|---|---|---|---|')
for name, picture in sorted(mem, key=lambda k: (k[0], sizes[k[1]][0] * sizes[k[1]][1])):
    m = mem[(name, picture)]
    print('| %s | %d × %d | %s |' % ((name,) + sizes[picture] + (' | '.join(
        '%.1f MiB' % (m[t] / 1024) if t in m else '–' for t in tools),)))
if short:
    print()
    print('Fewer colours than asked: ' + '; '.join(short) + '.')
EOF
