#!/usr/bin/env bash
# Runs every stored input (corpus and regressions) once through the fuzz target, after
# cmake --preset fuzz && cmake --build --preset fuzz: a broken property or a sanitizer
# finding fails it. No fuzzing; seconds.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${FUZZ_BUILD_DIR:-$(cd "$here/../.." && pwd)/build/fuzz}
mapfile -t inputs < <(find "$here/corpus" "$here/regressions" -type f ! -name '*.md' | sort)
log=$build/replay.log
if "$build/tests/fuzz_palette" -rss_limit_mb=1024 "${inputs[@]}" >"$log" 2>&1; then
  echo "fuzz_palette: ${#inputs[@]} stored inputs replayed, no finding"
else
  tail -n 40 "$log" >&2
  echo "fuzz_palette: a stored input fails (log $log)" >&2
  exit 1
fi
