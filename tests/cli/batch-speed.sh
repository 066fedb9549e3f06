#!/usr/bin/env bash
# Reports how long palconv takes for a batch of small files next to cp copying the same
# files; it measures and prints, it does not judge.
#   tests/cli/batch-speed.sh PALCONV [COUNT] [FOLDER]
# COUNT defaults to 10000; the files go to a new folder inside FOLDER (default ${TMPDIR:-/tmp}),
# which decides the file system measured. Two rounds: targets that do not exist yet, then the same batch
# again, when every target is replaced.
set -euo pipefail

palconv=$(realpath "${1:?usage: batch-speed.sh PALCONV [COUNT] [FOLDER]}")
count=${2:-10000}
here=$(cd "$(dirname "$0")" && pwd)
sample="$here/../data/ramps.pal"
work=$(mktemp -d "${3:-${TMPDIR:-/tmp}}/palconv-speed-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/copy"

for ((i = 0; i < count; i++)); do cp "$sample" "$work/src/p$i.pal"; done
sync

seconds() { # runs "$@" in $work/src, prints its wall time in seconds
  local start end
  start=$(date +%s.%N)
  (cd "$work/src" && "$@" >/dev/null)
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

report() { # label, seconds of cp, seconds of palconv
  printf '%-26s cp %6.3f s   palconv %6.3f s   ratio %5.2f\n' "$1" "$2" "$3" \
    "$(echo "scale=4; $3 / $2" | bc)"
}

echo "$count files of $(stat -c %s "$sample") bytes in $work ($(df -T "$work" | awk 'NR==2 {print $2}'))"
cp_new=$(seconds sh -c 'cp -- *.pal ../copy/')
pc_new=$(seconds sh -c "\"$palconv\" -- *.pal")
sync
cp_again=$(seconds sh -c 'cp -- *.pal ../copy/')
pc_again=$(seconds sh -c "\"$palconv\" -- *.pal")
report "new targets:" "$cp_new" "$pc_new"
report "targets replaced:" "$cp_again" "$pc_again"
