#!/usr/bin/env bash
# A million empty .jpg files opened in the main window (offscreen): seconds until the first
# page and "Total： 1000000 files" show and the process's memory, against `ls -f` of the same
# folder in the same run; and what 100,000 files add to the process.
# Usage: bench/catalog_million/run.sh BUILD_DIR [DATA_DIR]   (DATA_DIR keeps the folders)
set -euo pipefail
build=${1:?build dir}
data=${2:-}
if [ -z "$data" ]; then
  data=$(mktemp -d)
  trap 'rm -rf "$data"' EXIT
fi
make_folder() {  # folder count
  [ -d "$1" ] && [ "$(ls -f "$1" | wc -l)" -eq $(($2 + 2)) ] && return
  mkdir -p "$1"
  python3 - "$1" "$2" <<'PY'
import os, sys
d, n = sys.argv[1], int(sys.argv[2])
for i in range(n):
    os.close(os.open(os.path.join(d, "IMG_%07d.jpg" % i), os.O_CREAT | os.O_WRONLY, 0o644))
PY
}
make_folder "$data/m1" 1000000
make_folder "$data/k100" 100000
mkdir -p "$data/empty"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
ls -f "$data/m1" > /dev/null  # warm the directory cache for both
for round in 1 2 3; do
  /usr/bin/time -f "%e" -o "$data/ls.time" ls -f "$data/m1" > /dev/null
  ls_s=$(cat "$data/ls.time")
  /usr/bin/time -v -o "$data/q.time" "$build/bin/bench_catalog_million" "$data/empty" "$data/m1" > "$data/q.out"
  q_line=$(grep '/m1:' "$data/q.out")
  q_s=$(sed -E 's/.* ([0-9.]+) s,.*/\1/' <<< "$q_line")
  peak=$(grep 'Maximum resident' "$data/q.time" | awk '{print $NF}')
  awk -v l="$ls_s" -v q="$q_s" -v p="$peak" -v r="$round" 'BEGIN {
    printf "round %d: ls -f %.2f s, first page + status %.2f s (%.1f x ls -f), peak %.0f MB\n", r, l, q, q / (l > 0 ? l : 0.01), p / 1024 }'
  sed 's/^/    /' "$data/q.out"
done
echo "== 100,000 files: resident memory after an empty folder, then after the folder"
"$build/bin/bench_catalog_million" "$data/empty" "$data/k100" | sed 's/^/    /'
