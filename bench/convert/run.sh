#!/usr/bin/env bash
# Batch conversion benchmark: 20 photos to JPEG fitted within 800 pixels (quality 80) by
# qivo2-convert -j1 and -j2, vipsthumbnail --size 800 (one thread) and ImageMagick
# `convert -resize 800x800` (one thread), side by side in the same run. Three rounds each;
# the best wall time per photo, its ratio to vipsthumbnail, and peak memory.
# Usage: bench/convert/run.sh BUILD_DIR [PHOTO_FOLDER]   (BUILD_DIR: a Release build)
set -euo pipefail
build=${1:?build dir}
src=${2:-/usr/share/backgrounds}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/photos"
mapfile -d '' found < <(find "$src" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) -print0 | sort -z)
[ "${#found[@]}" -gt 0 ] || { echo "no JPEG photos in $src"; exit 1; }
for i in $(seq 0 19); do  # 20 photos, the list repeated when it is shorter
  ln -s "${found[$((i % ${#found[@]}))]}" "$work/photos/p$(printf %02d "$i").jpg"
done
mp=$(for f in "$work/photos"/*; do identify -format '%w %h\n' "$f[0]"; done | awk '{ s += $1 * $2 } END { printf "%.1f", s / NR / 1e6 }')
echo "photos: 20 (mean $mp MP) from $src"
touch "$work/empty.ini"

# run NAME COMMAND...: three rounds into a fresh folder; prints best wall ms/photo and peak RSS.
run() {
  local name=$1; shift
  local best=999999 peak=0
  for round in 1 2 3; do
    rm -rf "$work/out"; mkdir -p "$work/out"
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1
    read -r wall rss < "$work/time"
    best=$(awk -v a="$best" -v b="$wall" 'BEGIN { print (b < a) ? b : a }')
    [ "$rss" -gt "$peak" ] && peak=$rss
  done
  local files; files=$(ls "$work/out" | wc -l)
  printf '%-28s %8.1f ms/photo  peak %6.1f MB  (%d files)\n' "$name" "$(awk -v w="$best" 'BEGIN { print w * 1000 / 20 }')" \
    "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" "$files"
  echo "$name $best" >> "$work/results"
}

run "vipsthumbnail (1 thread)" env VIPS_CONCURRENCY=1 vipsthumbnail --size 800 -o "$work/out/%s.jpg[Q=80]" "$work/photos"/*
run "qivo2-convert -j1" "$build/bin/qivo2-convert" --settings "$work/empty.ini" --format jpg --size-mode 4 --size 800 \
  --quality 80 -j1 "$work/photos"/* -o "$work/out"
run "qivo2-convert -j2" "$build/bin/qivo2-convert" --settings "$work/empty.ini" --format jpg --size-mode 4 --size 800 \
  --quality 80 -j2 "$work/photos"/* -o "$work/out"
cat > "$work/magick.sh" <<'SH'
for f in "$1"/*; do convert "$f" -resize 800x800 -quality 80 "$2/$(basename "$f")"; done
SH
run "ImageMagick (1 thread)" env MAGICK_THREAD_LIMIT=1 bash "$work/magick.sh" "$work/photos" "$work/out"

echo "== ratios of wall time to vipsthumbnail (lower is faster)"
awk 'NR == 1 { ref = $NF } { t = $NF; $NF = ""; printf "%-28s %.2f x\n", $0, t / ref }' "$work/results"
