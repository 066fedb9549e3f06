#!/usr/bin/env bash
# Kills palconv (SIGKILL, as the out-of-memory killer or a power cut does) at each system call
# of a batch that replaces two files, one run per call, and checks what each kill leaves: every
# target old or whole new, never torn, and a temporary file at as few kill points as possible
# (at most one system call per file). A run in the same folder later removes what a kill left
# once it is a minute old. Prints the counts.
#   tests/unit/kill_points.sh PALCONV
set -euo pipefail
palconv=$(realpath "$1")
data=$(cd "$(dirname "$0")/../data" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
command -v strace >/dev/null || { echo "kill_points: strace is missing" >&2; exit 1; }
# LeakSanitizer cannot run under a tracer; the sanitizer build's other checks still do.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# Two GIMP palettes whose conversions replace two JASC-PAL files of other bytes.
lay_out() {
  rm -rf "$scratch/run"
  mkdir "$scratch/run"
  cp "$data/ramps.gpl" "$scratch/run/a.gpl"
  cp "$data/ramps.gpl" "$scratch/run/b.gpl"
  cp "$data/green-ramp.pal" "$scratch/run/a.pal"
  cp "$data/green-ramp.pal" "$scratch/run/b.pal"
}
run() { (cd "$scratch/run" && "$@" "$palconv" --to pal a.gpl b.gpl >/dev/null 2>&1) 2>/dev/null || true; }

# The calls of one whole run, in order; each later run makes the same ones.
lay_out
(cd "$scratch/run" && strace -qq -o "$scratch/trace" "$palconv" --to pal a.gpl b.gpl >/dev/null 2>&1)
new=$(cat "$scratch/run/a.pal")
mapfile -t calls < <(sed -n 's/^\([a-z_0-9]*\)(.*/\1/p' "$scratch/trace")

declare -A seen=()
torn=0 leftovers=0 points=()
for call in "${calls[@]}"; do
  seen[$call]=$((${seen[$call]:-0} + 1))
  lay_out
  run strace -qq -o /dev/null -e "inject=$call:signal=KILL:when=${seen[$call]}"
  for target in a.pal b.pal; do
    got=$(cat "$scratch/run/$target")
    [ "$got" = "$new" ] || cmp -s "$scratch/run/$target" "$data/green-ramp.pal" || {
      echo "kill_points: $target torn by a kill at $call #${seen[$call]}" >&2
      torn=$((torn + 1))
    }
  done
  left=$(find "$scratch/run" -name '.varnel-*.tmp' | wc -l)
  if [ "$left" -gt 0 ]; then
    leftovers=$((leftovers + 1))
    points+=("$call")
    # A minute later, the next write in the folder removes it.
    find "$scratch/run" -name '.varnel-*.tmp' -exec touch -d '2 minutes ago' {} +
    run
    if [ -n "$(find "$scratch/run" -name '.varnel-*.tmp')" ]; then
      echo "kill_points: a leftover of a kill at $call survived the next run" >&2
      torn=$((torn + 1))
    fi
  fi
done
# Only our own names, of our own user, a minute old, are taken for leftovers.
lay_out
for name in Aged01 Fresh1 Other1 x; do echo left >"$scratch/run/.varnel-$name.tmp"; done
touch -d '2 minutes ago' "$scratch/run/.varnel-"{Aged01,Other1,x}.tmp
chown nobody "$scratch/run/.varnel-Other1.tmp" 2>/dev/null || rm "$scratch/run/.varnel-Other1.tmp"
run
kept=$(cd "$scratch/run" && echo .varnel-*.tmp)
expected=".varnel-Fresh1.tmp .varnel-x.tmp"
[ -e "$scratch/run/.varnel-Other1.tmp" ] && expected=".varnel-Fresh1.tmp .varnel-Other1.tmp .varnel-x.tmp"
if [ "$kept" != "$expected" ]; then
  echo "kill_points: after a run the folder holds $kept, not $expected" >&2
  torn=$((torn + 1))
fi
echo "kill_points: ${#calls[@]} kill points, $torn torn targets, $leftovers leave a temporary file${points:+ (${points[*]})}"
[ "$torn" -eq 0 ] && [ "$leftovers" -le 2 ]
