#!/usr/bin/env bash
# Memory after paging through 20,000 photos in the main window (offscreen), with the
# thumbnail store capped at 64 MB and, as the reference, without a cap.
# Usage: bench/thumb_memory/run.sh BUILD_DIR [PHOTO_FOLDER] [COUNT]
set -euo pipefail
build=${1:?build dir}
src=${2:-/usr/share/backgrounds}
count=${3:-20000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/small" "$work/photos"
# Twenty distinct photos at 800 x 600, each linked count/20 times under its own name.
find "$src" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | head -20 | nl -nrz -w2 |
  while read -r n f; do convert "$f[0]" -resize 800x600 -quality 85 "$work/small/s$n.jpg"; done
small=("$work/small"/*.jpg)
[ "${#small[@]}" -gt 0 ] || exit 1
for i in $(seq 0 $((count - 1))); do
  ln -s "${small[$((i % ${#small[@]}))]}" "$work/photos/$(printf 'IMG_%06d' "$i").jpg"
done
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
for cap in 64 0; do
  echo "== cap ${cap} MB (0: none)"
  "$build/bin/bench_thumb_memory" "$work/photos" "$cap" | sed 's/^/  /'
done
