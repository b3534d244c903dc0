#!/usr/bin/env bash
# Thumbnail benchmark: our loader cold and warm (Google Benchmark), vipsthumbnail on the
# same photos (one thread), a 1,000-photo folder through qivo2-thumbs cold and warm with
# peak memory, and qivo2-thumbs -j 1 against -j 2 on that folder, cold, several rounds.
# Usage: bench/thumbs/run.sh BUILD_DIR [PHOTO_FOLDER] (QIVO2_BENCH_ROUNDS: -j rounds, 3)
set -euo pipefail
# The kernel shares the cores fairly between sessions (autogroup), not between threads: while
# other programs build, a second thread of ours gains nothing and -j figures say nothing.
# As root the benchmark runs in a session of its own with the largest share; each -j run
# still reports how much of the cores others used meanwhile. QIVO2_BENCH_NO_BOOST=1: not so.
if [ -z "${QIVO2_BENCH_BOOSTED:-}" ] && [ -z "${QIVO2_BENCH_NO_BOOST:-}" ] && [ "$(id -u)" = 0 ] &&
  [ -e /proc/self/autogroup ]; then
  export QIVO2_BENCH_BOOSTED=1
  exec setsid --wait bash -c 'echo -20 > /proc/self/autogroup 2>/dev/null || true; exec "$0" "$@"' "$0" "$@"
fi
[ -e /proc/self/autogroup ] && echo "session share: $(cat /proc/self/autogroup)"
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

echo "== qivo2-thumbs -j 1 against -j 2 over the same 1,000 photos, cold (a new QIVO2_HOME each run)"
busy_jiffies() { awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9 }' /proc/stat; }
# Runs qivo2-thumbs -j $1 cold; prints its wall time and the share of the cores others used.
cold_run() {
  rm -rf "$work/jhome" && mkdir -p "$work/jhome"
  local before after
  before=$(busy_jiffies)
  QIVO2_HOME="$work/jhome" /usr/bin/time -f "%e %U %S" -o "$work/j.time" \
    "$build/bin/qivo2-thumbs" -j "$1" "$work/thousand" > "$work/j.out"
  after=$(busy_jiffies)
  grep -q '^made 1000, stored 1000, ' "$work/j.out" || { cat "$work/j.out"; exit 1; }
  read -r wall user sys < "$work/j.time"
  awk -v w="$wall" -v u="$user" -v s="$sys" -v d="$((after - before))" -v hz="$(getconf CLK_TCK)" -v n="$(nproc)" \
    'BEGIN { o = (d / hz - u - s) / (w * n) * 100; printf "%.2f %.0f\n", w, o < 0 ? 0 : o }'
}
rounds=${QIVO2_BENCH_ROUNDS:-3}
ratios=()
for round in $(seq 1 "$rounds"); do
  # Alternating which goes first, so a drift in the machine's load favours neither.
  if [ $((round % 2)) = 1 ]; then
    one=$(cold_run 1)
    two=$(cold_run 2)
  else
    two=$(cold_run 2)
    one=$(cold_run 1)
  fi
  read -r t1 o1 <<< "$one"
  read -r t2 o2 <<< "$two"
  ratio=$(awk -v a="$t2" -v b="$t1" 'BEGIN { printf "%.3f", a / b }')
  ratios+=("$ratio")
  echo "round $round: -j 1 ${t1} s (others ${o1}% of the cores), -j 2 ${t2} s (others ${o2}%), -j 2 / -j 1 = $ratio"
done
median=$(printf '%s\n' "${ratios[@]}" | sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }')
echo "-j 2 / -j 1 median over $rounds rounds: $median (goal: at most 0.65)"
# Every entry the threads appended must be valid: a warm run finds all of them.
QIVO2_HOME="$work/jhome" "$build/bin/qivo2-thumbs" -j 2 "$work/thousand" > "$work/j.out"
if grep -q '^made 0, stored 0, valid in cache 1000, failed 0, ' "$work/j.out"; then
  echo "warm -j 2 after the last cold run: all 1000 valid in the cache"
else
  echo "warm -j 2 after the last cold run did not find every entry: $(cat "$work/j.out")"
  exit 1
fi
