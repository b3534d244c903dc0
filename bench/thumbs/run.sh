#!/usr/bin/env bash
# Thumbnail benchmark: our loader cold and warm (Google Benchmark), vipsthumbnail on the
# same photos (one thread), and a 1,000-photo folder through qivo2-thumbs cold and warm
# with peak memory. Usage: bench/thumbs/run.sh BUILD_DIR [PHOTO_FOLDER]
set -euo pipefail
build=${1:?build dir}
src=${2:-/usr/share/backgrounds}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Photos of 3 to 16 megapixels.
mkdir -p "$work/photos"
find "$src" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) -print0 |
  while IFS= read -r -d '' f; do
    read -r w h < <(identify -format '%w %h\n' "$f[0]" 2>/dev/null || echo 0 0)
    px=$((w * h))
    if [ "$px" -ge 3000000 ] && [ "$px" -le 16000000 ]; then ln -s "$f" "$work/photos/$(basename "$f")"; fi
  done
n=$(ls "$work/photos" | wc -l)
echo "photos: $n (3-16 MP) from $src"
[ "$n" -gt 0 ] || exit 1

echo "== our loader (box 100x80, igtPreview, jpBestSpeed, cache on)"
QIVO2_BENCH_PHOTOS="$work/photos" "$build/bin/bench_thumbs" --benchmark_counters_tabular=true 2>/dev/null | grep -E '^(Benchmark|BM_)'

echo "== vipsthumbnail --size 100x80, VIPS_CONCURRENCY=1"
mkdir -p "$work/vips"
for round in 1 2 3; do
  /usr/bin/time -f "%e %U %S" -o "$work/vips.time" env VIPS_CONCURRENCY=1 \
    vipsthumbnail --size 100x80 -o "$work/vips/%s.jpg" "$work/photos"/* 2>/dev/null
  read -r wall user sys < "$work/vips.time"
  awk -v w="$wall" -v u="$user" -v s="$sys" -v n="$n" \
    'BEGIN { printf "round %d: wall %.1f ms/photo, cpu %.1f ms/photo\n", '"$round"', w*1000/n, (u+s)*1000/n }'
done

echo "== qivo2-thumbs over 1,000 photos"
export QIVO2_HOME="$work/home"
mkdir -p "$work/thousand" "$QIVO2_HOME"
photos=("$work/photos"/*)
for i in $(seq 0 999); do
  p=${photos[$((i % n))]}
  ln -s "$(readlink "$p")" "$work/thousand/$(printf 'p%04d' "$i").jpg"
done
for run in cold warm; do
  /usr/bin/time -v -o "$work/tool.time" "$build/bin/qivo2-thumbs" "$work/thousand"
  grep -E 'Elapsed|Maximum resident|User time|System time' "$work/tool.time" | sed "s/^/  $run: /"
done
