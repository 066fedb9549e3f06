#!/usr/bin/env bash
# Checks that GIMP and Krita read the GIMP palettes (.gpl) and Photoshop swatches (.aco), and
# Krita the Krita palettes (.kpl), that
# palconv writes with the colours palconv was given; that GIMP, Pillow and ImageMagick read
# the PNG swatch pictures palconv writes with those colours in that order; and that palconv
# reads the PNG pictures GIMP and ImageMagick write, indexed and true colour, as Pillow
# does; that Python's tinycss2 finds every colour, name and alpha in the CSS palconv writes,
# and Python's json module in its JSON palettes; that npm's procreate-swatches reads the
# Procreate swatches palconv writes, and palconv the Procreate files that package carries as
# Python's zipfile and json read them. Installs the programs when missing (the npm package
# into the run's temporary folder).
#   scripts/interop.sh [palconv]          (default build/native/cli/palconv)
# Prints one line per program and format; exit status 1 when any colour differs.
#
# GIMP reads .gpl from its palettes folder in batch mode. .aco it reads only through its
# Import Palette dialog, so that is driven with xdotool on a private virtual display; on quit
# GIMP saves the imported palette as .gpl, which the batch run then reads like the other.
# Krita's kritarunner reads both from its resource folder with Qt's offscreen platform.
# Both run with HOME and XDG_* in a temporary folder: no profile of the user is touched.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
palconv=$(realpath "${1:-$root/build/native/cli/palconv}")
[ -x "$palconv" ] || { echo "interop: no palconv at $palconv" >&2; exit 2; }

"$root/scripts/install-deps.sh" interop

tmp=$(mktemp -d)
pids=()
finish() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap finish EXIT
trap 'exit 130' INT TERM
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data \
  XDG_CACHE_HOME=$tmp/cache XDG_RUNTIME_DIR=$tmp/run GIMP2_DIRECTORY=$tmp/gimp
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$GIMP2_DIRECTORY/palettes" "$tmp/in"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY

# 16 distinct colours; every channel takes 16 different values.
expected=$(for i in $(seq 0 15); do echo "$((i * 17)) $((255 - i * 13)) $(((i * 97 + 5) % 256))"; done)
{ printf '%s\r\n' JASC-PAL 0100 16; sed 's/$/\r/' <<<"$expected"; } >"$tmp/test.pal"
cd "$tmp/in" || exit 2
"$palconv" -o colours.gpl ../test.pal >/dev/null
"$palconv" -o swatches.aco ../test.pal >/dev/null
"$palconv" -o colours.kpl ../test.pal >/dev/null
"$palconv" -o strip.png ../test.pal >/dev/null
"$palconv" --swatch 8 -o strip8.png ../test.pal >/dev/null

status=0
# compare PROGRAM FORMAT FILE: FILE holds the palette's colours as "R G B" lines.
compare() {
  local got want=${4:-$expected}
  got=$(head -"$(wc -l <<<"$want")" "$3")
  if [ "$got" = "$want" ]; then
    echo "$1 $2: $(wc -l <<<"$want") colours match"
    return
  fi
  status=1
  [ -n "$got" ] || { echo "$1 $2: no colours read"; return; }
  echo "$1 $2: colours differ"
  paste -d'|' <(echo "$want") <(printf '%s\n' "$got") |
    awk -F'|' '$1 != $2 { printf "  entry %d: wrote %s, read %s\n", NR - 1, $1, $2 == "" ? "nothing" : $2 }'
}
# section NAME FILE: the colours under "= NAME" in FILE.
section() { awk -v n="$1" '/^= / { on = substr($0, 3) == n; next } on' "$2"; }
# pillow FILE: its palette as Pillow reads it: the PLTE entries of an indexed picture, else
# the distinct colours of its opaque pixels in reading order.
pillow() {
  /usr/bin/python3 - "$1" <<'EOF'
import sys
from PIL import Image
image = Image.open(sys.argv[1])
if image.mode == 'P':
    palette = image.getpalette()
    colours = [tuple(palette[i:i + 3]) for i in range(0, len(palette), 3)]
else:
    colours, seen = [], set()
    for pixel in image.convert('RGBA').getdata():
        if pixel[3] and pixel[:3] not in seen:
            seen.add(pixel[:3])
            colours.append(pixel[:3])
for colour in colours:
    print(*colour)
EOF
}
# magick FILE: the colour map ImageMagick's identify reports.
magick() { identify -verbose "$1" | sed -n 's/^ *[0-9]*: *( *\([0-9]*\), *\([0-9]*\), *\([0-9]*\)).*/\1 \2 \3/p'; }
# palconv_reads FILE: the palette palconv reads from it.
palconv_reads() {
  "$palconv" --to hex -o - "$1" | while read -r h; do
    echo "$((16#${h:0:2})) $((16#${h:2:2})) $((16#${h:4:2}))"
  done
}


# ---- GIMP: the Import Palette dialog for .aco --------------------------------------------
window() { timeout 60 xdotool search --sync --onlyvisible --name "$1" | head -1; }
gone() { timeout 30 sh -c "while xdotool search --onlyvisible --name '$1' >/dev/null; do sleep 0.3; done"; }
gimp_import() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
  pids+=($!)
  timeout 20 sh -c "until [ -s '$tmp/display' ]; do sleep 0.2; done"
  DISPLAY=:$(cat "$tmp/display")
  export DISPLAY
  gimp -n -s -f >"$tmp/gimp-gui.log" 2>&1 &
  pids+=($!)
  local main dialog
  main=$(window '^GNU Image Manipulation Program$')
  # Open the Palettes dock through "Search and Run a Command".
  xdotool windowfocus --sync "$main" key slash
  xdotool windowfocus --sync "$(window '^Search Actions$')" type 'palettes'
  sleep 1
  xdotool key Return
  sleep 2
  # Its context menu, third entry: Import Palette...
  xdotool mousemove --window "$main" 897 87 click 3
  sleep 1
  xdotool key Down Down Down Return
  dialog=$(window '^Import a New Palette$')
  xdotool mousemove --window "$dialog" 35 169 click 1 # source: palette file
  sleep 0.5
  xdotool mousemove --window "$dialog" 223 169 click 1 # its file chooser
  xdotool windowfocus --sync "$(window '^Select Palette File$')" key ctrl+l
  # The first pass makes the chooser read each folder: keys typed while it reads one are lost.
  xdotool type "$tmp/in/swatches.aco"
  sleep 2
  xdotool key ctrl+a
  xdotool type "$tmp/in/swatches.aco"
  xdotool key Return
  gone '^Select Palette File$'
  sleep 1
  xdotool mousemove --window "$dialog" 498 372 click 1 # Import
  gone '^Import a New Palette$'
  xdotool windowfocus --sync "$main" key ctrl+q
  timeout 30 tail --pid="${pids[-1]}" -f /dev/null
  unset DISPLAY
}
gimp_import >/dev/null 2>&1 || true
[ -s "$GIMP2_DIRECTORY/palettes/swatches.aco.gpl" ] || echo "interop: GIMP's Import Palette dialog did not finish" >&2

# ---- GIMP: every palette of the private palettes folder, in batch mode --------------------
cp colours.gpl "$GIMP2_DIRECTORY/palettes/"
echo "(palette-path \"$GIMP2_DIRECTORY/palettes\")" >"$GIMP2_DIRECTORY/gimprc"
cat >"$tmp/read.scm" <<EOF
(let ((out (open-output-file "$tmp/gimp.txt")))
  (for-each
    (lambda (name)
      (display "= " out) (display name out) (newline out)
      (let loop ((i 0))
        (when (< i (car (gimp-palette-get-info name)))
          (let ((c (car (gimp-palette-entry-get-color name i))))
            (display (car c) out) (display " " out) (display (cadr c) out) (display " " out)
            (display (caddr c) out) (newline out))
          (loop (+ i 1)))))
    (cadr (gimp-palettes-get-list "")))
  (close-output-port out))
EOF
cat >"$tmp/png.scm" <<EOF
(let* ((file "$tmp/in/strip8.png")
       (image (car (gimp-file-load RUN-NONINTERACTIVE file file)))
       (colormap (gimp-image-get-colormap image))
       (out (open-output-file "$tmp/gimp-png.txt")))
  (let loop ((i 0))
    (when (< i (car colormap))
      (display (vector-ref (cadr colormap) i) out)
      (display (if (= (modulo i 3) 2) "\n" " ") out)
      (loop (+ i 1))))
  (close-output-port out)
  (file-png-save-defaults RUN-NONINTERACTIVE image (car (gimp-image-get-active-drawable image))
                          "$tmp/in/gimp-indexed.png" "gimp-indexed.png")
  (gimp-image-convert-rgb image)
  (file-png-save-defaults RUN-NONINTERACTIVE image (car (gimp-image-get-active-drawable image))
                          "$tmp/in/gimp-rgb.png" "gimp-rgb.png"))
EOF
timeout 120 gimp-console -i -f -b "(load \"$tmp/read.scm\")" -b "(load \"$tmp/png.scm\")" \
  -b '(gimp-quit 0)' >"$tmp/gimp.log" 2>&1 || true
touch "$tmp/gimp.txt"
# The imported .aco is named after its file; the .gpl by its Name line or its file.
section "$(grep '^= ' "$tmp/gimp.txt" | grep -m1 -vx -e '= swatches.aco' -e '= Color History' | cut -c3-)" "$tmp/gimp.txt" >"$tmp/gimp-gpl"
section swatches.aco "$tmp/gimp.txt" >"$tmp/gimp-aco"
compare gimp gpl "$tmp/gimp-gpl"
compare gimp aco "$tmp/gimp-aco"
touch "$tmp/gimp-png.txt"
compare gimp png "$tmp/gimp-png.txt"
for f in gimp-rgb gimp-indexed; do
  palconv_reads $f.png >"$tmp/palconv-$f" 2>&1 || true
  compare "palconv of gimp's" "${f#gimp-} png" "$tmp/palconv-$f" "$(pillow $f.png 2>&1)"
done

# ---- Pictures -----------------------------------------------------------------------------
pillow strip.png >"$tmp/pillow-png"
pillow strip8.png >"$tmp/pillow-png8"
magick strip.png >"$tmp/magick-png"
compare pillow png "$tmp/pillow-png"
compare pillow "png 8x8" "$tmp/pillow-png8"
compare imagemagick png "$tmp/magick-png"
# ImageMagick writes the 8x8 strip again, as true colour and as an indexed picture of its own.
/usr/bin/convert strip8.png -type TrueColor PNG24:magick-rgb.png
/usr/bin/convert strip8.png PNG8:magick-indexed.png
for f in magick-rgb magick-indexed; do
  palconv_reads $f.png >"$tmp/palconv-$f" 2>&1 || true
  compare "palconv of imagemagick's" "${f#magick-} png" "$tmp/palconv-$f" "$(pillow $f.png)"
done

# ---- Krita --------------------------------------------------------------------------------
mkdir -p "$XDG_DATA_HOME/kritarunner/palettes"
cp colours.gpl swatches.aco colours.kpl "$XDG_DATA_HOME/kritarunner/palettes/"
cat >"$tmp/krita_read.py" <<'EOF'
from krita import Krita, Palette

def rgb(color):
    # 8 or 16 bits a channel; a 16-bit value that is no multiple of 257 is shown as it is.
    top = {'U8': 255, 'U16': 65535}.get(color.colorDepth())
    if color.colorModel() != 'RGBA' or not top:
        return color.toQString()
    values = [round(f * top) for f in color.componentsOrdered()[:3]]
    return ' '.join(str(v * 255 // top) if v * 255 % top == 0 else '%d/%d' % (v, top) for v in values)

def main(args):
    with open(args[0], 'w') as out:
        for resource in Krita.instance().resources('palette').values():
            if resource.filename() in ('colours.gpl', 'swatches.aco', 'colours.kpl'):
                palette = Palette(resource)
                out.write('= %s\n' % resource.filename())
                for i in range(palette.colorsCountTotal()):
                    out.write(rgb(palette.colorSetEntryByIndex(i).color()) + '\n')
EOF
QT_QPA_PLATFORM=offscreen PYTHONPATH=$tmp timeout 120 \
  kritarunner -s krita_read -f main "$tmp/krita.txt" >"$tmp/krita.log" 2>&1 || true
touch "$tmp/krita.txt"
section colours.gpl "$tmp/krita.txt" >"$tmp/krita-gpl"
section swatches.aco "$tmp/krita.txt" >"$tmp/krita-aco"
compare krita gpl "$tmp/krita-gpl"
compare krita aco "$tmp/krita-aco"
section colours.kpl "$tmp/krita.txt" >"$tmp/krita-kpl"
compare krita kpl "$tmp/krita-kpl"

# ---- Style sheets and JSON: tinycss2 and Python's json ------------------------------------
# A palette with alpha and names that CSS must escape, as "R G B A name" lines.
named=$(paste -d' ' <(echo "$expected") \
  <(for i in $(seq 0 15); do echo "$(((i * 37) % 256)) colour $i"; done) |
  sed '3s/colour 2$/Dark Red ❤/; 5s/colour 4$/a;b "quoted"/; 7s/colour 6$/1st/')
{ printf 'GIMP Palette\nName: Named\nChannels: RGBA\n#\n'
  awk '{ name = $5; for (i = 6; i <= NF; i++) name = name " " $i; print $1, $2, $3, $4 "\t" name }' <<<"$named"
} >"$tmp/named.gpl"
for ext in css json sketchpalette; do "$palconv" -o "named.$ext" ../named.gpl >/dev/null 2>&1; done
"$palconv" --to lospec -o lospec.json ../named.gpl >/dev/null 2>&1
/usr/bin/python3 - "$tmp/in" <<'EOF' >"$tmp/python-read.txt"
import json, sys, tinycss2, tinycss2.color3
folder = sys.argv[1] + '/'
byte = lambda f: int(f * 255 + 0.5)
print('= css')
for rule in tinycss2.parse_stylesheet(open(folder + 'named.css').read(), True, True):
    for decl in tinycss2.parse_declaration_list(rule.content, True, True):
        c = tinycss2.color3.parse_color(tinycss2.parse_one_component_value(decl.value))
        print(byte(c.red), byte(c.green), byte(c.blue), byte(c.alpha), decl.name[2:])
print('= json')
for token in json.load(open(folder + 'named.json')):
    rgb = [int(token['hex'][i:i + 2], 16) for i in (1, 3, 5)]
    assert rgb == token['rgb'], token
    print(*rgb, byte(token['alpha']), token['name'])
print('= sketch')
sketch = json.load(open(folder + 'named.sketchpalette'))
for asset, color in zip(sketch['colorAssets'], sketch['colors']):
    assert asset['color'] == color
    print(*(byte(color[k]) for k in ('red', 'green', 'blue', 'alpha')), asset['name'])
print('= lospec')
for color in json.load(open(folder + 'lospec.json'))['colors']:
    print(*(int(color[i:i + 2], 16) for i in (0, 2, 4)))
EOF
section css "$tmp/python-read.txt" >"$tmp/python-css"
section json "$tmp/python-read.txt" >"$tmp/python-json"
section sketch "$tmp/python-read.txt" >"$tmp/python-sketch"
section lospec "$tmp/python-read.txt" >"$tmp/python-lospec"
compare tinycss2 css "$tmp/python-css" "$named"
compare "python json" json "$tmp/python-json" "$named"
compare "python json" sketchpalette "$tmp/python-sketch" "$named"
compare "python json" lospec "$tmp/python-lospec"
# ---- Procreate swatches: npm's procreate-swatches, and the files it carries ----------------
# Both from the npm registry at each run, into the temporary folder; the package's sample
# files were saved by Procreate (MIT, as the package).
mkdir -p "$tmp/npm"
(cd "$tmp/npm" && npm install --no-audit --no-fund --silent procreate-swatches@0.1.1 >/dev/null)
samples=$tmp/npm/node_modules/procreate-swatches/test/sample
"$palconv" -o colours.swatches ../test.pal >/dev/null 2>&1
# HSB as the package gives it (degrees and percent) to 8-bit RGB, rounded.
(cd "$tmp/npm" && node --input-type=module - "$tmp/in/colours.swatches") >"$tmp/node-swatches" <<'EOF'
import { readFile } from 'node:fs/promises';
import { readSwatchesFile } from 'procreate-swatches';
const { colors } = await readSwatchesFile(await readFile(process.argv[2]));
for (const entry of colors) {
  const [h, s, v] = entry ? entry[0] : [0, 0, 0];
  const f = (n) => { const k = (n + h / 60) % 6; return v / 100 * (1 - s / 100 * Math.max(0, Math.min(k, 4 - k, 1))); };
  console.log([5, 3, 1].map((n) => Math.round(f(n) * 255)).join(' '));
}
EOF
compare procreate-swatches swatches "$tmp/node-swatches"
for file in "$samples"/*.swatches; do
  want=$(/usr/bin/python3 - "$file" <<'EOF'
import colorsys, json, sys, zipfile
palette = json.loads(zipfile.ZipFile(sys.argv[1]).read('Swatches.json'))
swatches = (palette[0] if isinstance(palette, list) else palette)['swatches']
while swatches and swatches[-1] is None:
    swatches.pop()
for s in swatches:
    rgb = colorsys.hsv_to_rgb(s['hue'], s['saturation'], s['brightness']) if s else (0, 0, 0)
    print(*(int(c * 255 + 0.5) for c in rgb))
EOF
)
  "$palconv" --show "$file" 2>/dev/null | sed -E 's/^[0-9]+: ([0-9]+ [0-9]+ [0-9]+).*/\1/' >"$tmp/read-sample"
  compare palconv "procreate $(basename "$file")" "$tmp/read-sample" "$want"
done
exit "$status"
