#!/usr/bin/env bash
# Thumbnails from EXIF thumbnails: qivo2-thumbs -j 2, cold (a new QIVO2_HOME each run), over
# 60 photos of 6.75 MP (3000 x 2250) without an EXIF thumbnail, with a 160 x 120 one of the
# same shape (used), and over 3000 x 2000 photos without one and with the same 160 x 120 one
# (letterboxed: refused, decoded; this shows what the refusal costs). Reports seconds per
# run, the ratio to the set without measured in the same round, and peak memory.
# Usage: bench/embedded/run.sh BUILD_DIR   (QIVO2_BENCH_ROUNDS: rounds, default 3)
set -euo pipefail
build=${1:?build dir}
rounds=${QIVO2_BENCH_ROUNDS:-3}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Six distinct pictures of each shape, ten copies each: decoding costs the same per copy.
make_set() {  # NAME WIDTH HEIGHT THUMBNAIL(yes/no)
  local dir="$work/$1"
  mkdir -p "$dir"
  for k in 0 1 2 3 4 5; do
    local src="$work/src-$2x$3-$k.jpg"
    [ -e "$src" ] || convert -size "$2x$3" -seed "$k" plasma: -quality 90 "$src"
    local one="$work/one-$1-$k.jpg"
    if [ "$4" = yes ]; then
      convert "$src" -resize 160x120! -quality 90 "$work/thumb.jpg"
      "$here/add_exif_thumbnail.py" "$src" "$work/thumb.jpg" "$one"
    else
      cp "$src" "$one"
    fi
    for c in $(seq 0 9); do cp "$one" "$dir/$(printf 'p%d%02d' "$k" "$c").jpg"; done
  done
}
make_set without 3000 2250 no
make_set with 3000 2250 yes
make_set without-3x2 3000 2000 no
make_set letterboxed 3000 2000 yes
echo "photos: 60 per set; $(du -sh "$work/without" | cut -f1) without, $(du -sh "$work/with" | cut -f1) with"

run() {  # SET -> seconds and peak KiB
  export QIVO2_HOME="$work/home-$1-$RANDOM"
  mkdir -p "$QIVO2_HOME"
  cat "$work/$1"/* > /dev/null  # the files in the page cache: the decoding is measured
  /usr/bin/time -f "%e %M" -o "$work/time" "$build/bin/qivo2-thumbs" -j 2 "$work/$1" > "$work/out" 2> /dev/null
  rm -rf "$QIVO2_HOME"
  cat "$work/time"
}
for r in $(seq 1 "$rounds"); do
  for pair in with:without letterboxed:without-3x2; do
    set=${pair%%:*}
    read -r base basemem < <(run "${pair#*:}")
    read -r t mem < <(run "$set")
    awk -v s="$set" -v t="$t" -v b="$base" -v m="$mem" -v bm="$basemem" -v r="$r" \
      'BEGIN { printf "round %d: %-11s %.2f s against %.2f s without: ratio %.3f (peak %d KiB, without %d KiB)\n", r, s, t, b, t / b, m, bm }'
  done
done
