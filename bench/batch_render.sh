#!/usr/bin/env bash
# Batch conversion against one process per drawing: the real drawings repeated to
# COUNT files (default 200), converted to PNG with `kestril render FILES... -o DIR/ -j
# JOBS` (default 2), then once per file. Prints each total time and drawings per second.
#   bench/batch_render.sh [KESTRIL] [COUNT] [JOBS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
kestril=${1:-$root/build/native/bin/kestril}
count=${2:-200}
jobs=${3:-2}
drawings=$root/tests/data/drawings

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in" "$work/batch" "$work/single"
shopt -s nullglob
sources=("$drawings"/*.jww "$drawings"/*.jws)
for ((i = 0; i < count; ++i)); do
  src=${sources[i % ${#sources[@]}]}
  cp "$src" "$work/in/$(printf %03d "$i")-$(basename "$src")"
done
files=("$work/in"/*)
# Settings of their own, so the user's do not change the figures.
export XDG_CONFIG_HOME=$work/config

now() { date +%s.%N; }
report() {
  awk -v what="$1" -v s="$2" -v e="$3" -v n="$count" \
    'BEGIN { t = e - s; printf "%-28s %d files in %.3f s, %.1f files/s\n", what, n, t, n / t }'
}

start=$(now)
"$kestril" render "${files[@]}" -o "$work/batch/" -j "$jobs" 2>/dev/null
report "batch (-j $jobs):" "$start" "$(now)"

start=$(now)
for f in "${files[@]}"; do
  "$kestril" render "$f" -o "$work/single/$(basename "${f%.*}").png" >/dev/null
done
report "one process per file:" "$start" "$(now)"

cmp -s <(cd "$work/batch" && cksum *) <(cd "$work/single" && cksum *) ||
  { echo "batch and single pictures differ" >&2; exit 1; }
