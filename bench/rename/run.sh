#!/usr/bin/env bash
# qivo2-rename on a folder of many files (two passes, no replace) against references run
# side by side on the same machine: `ls -f` of the folder and a plain `mv -n` loop (one pass,
# one process per file). Peak memory from /usr/bin/time -v.
# Usage: bench/rename/run.sh BUILD_DIR [FILES]   (a Release build for figures)
set -euo pipefail
build=${1:?build dir}
n=${2:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fill() {
  rm -rf "$1"
  mkdir -p "$1"
  (cd "$1" && for i in $(seq 1 "$n"); do printf 'p%d\n' "$i" > "photo_$i.jpg"; done)
}

seconds() { /usr/bin/time -f "%e" "$@" 2>&1 >/dev/null | tail -1; }

echo "files: $n"
for round in 1 2 3; do
  fill "$work/a"
  ls_s=$(seconds ls -f "$work/a")
  /usr/bin/time -v "$build/bin/qivo2-rename" --form name-number --text img --digits 5 "$work/a" 2> "$work/q.time" >/dev/null
  q_s=$(awk -F': ' '/Elapsed \(wall clock\)/ {split($2, t, ":"); print t[1] * 60 + t[2]}' "$work/q.time")
  q_kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/q.time")
  done_n=$(ls "$work/a" | grep -c '^img[0-9]\{5\}\.jpg$' || true)
  fill "$work/b"
  mv_s=$(seconds bash -c 'cd "$1" && i=1; for f in *; do mv -n -- "$f" "new_$i.jpg"; i=$((i+1)); done' _ "$work/b")
  echo "round $round: qivo2-rename ${q_s}s ${q_kb}KB (${done_n} renamed) | ls -f ${ls_s}s | mv loop ${mv_s}s"
done
