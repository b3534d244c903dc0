#!/usr/bin/env bash
# Decode sandbox benchmark: cold thumbnails of a folder of TGA pictures through the TGA
# plug-in with [Main] Sandbox=1 against 0 (qivo2-thumbs -j 1, a new QIVO2_HOME each run),
# and one large TGA opened at full size (qivo2-convert to BMP, the real-size window's
# loader) both ways. Medians of QIVO2_BENCH_ROUNDS (5) rounds; the ratios are the
# sandbox's throughput over in-process (thumbnails, ≥ 0.95 wanted) and its time over
# in-process (the open, ≤ 1.05 wanted).
# Usage: bench/sandbox/run.sh BUILD_DIR [PICTURES] (PICTURES: 200)
set -euo pipefail
build=${1:?build dir}
count=${2:-200}
rounds=${QIVO2_BENCH_ROUNDS:-5}
[ -x "$build/bin/qivo2-decode" ] && [ -e "$build/bin/iftga.spi" ] || { echo "build qivo2-thumbs qivo2-convert qivo2-decode iftga first"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Uncompressed 24-bit TGAs: a folder of 1024x768 pictures and one of 6000x4000.
python3 - "$work" "$count" <<'PY'
import os, struct, sys
work, count = sys.argv[1], int(sys.argv[2])
def tga(path, w, h, seed):
    row = bytes(((x * 7 + seed) & 255) for x in range(w * 3))
    with open(path, 'wb') as f:
        f.write(struct.pack('<BBBHHBHHHHBB', 0, 0, 2, 0, 0, 0, 0, 0, w, h, 24, 0))
        for y in range(h):
            f.write(row[y % 3:] + row[:y % 3])
os.makedirs(f'{work}/pics')
for i in range(count):
    tga(f'{work}/pics/p{i:04d}.tga', 1024, 768, i)
tga(f'{work}/big.tga', 6000, 4000, 1)
PY
echo "pictures: $count TGA 1024x768 (thumbnails), one TGA 6000x4000 (full size)"

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
seconds() { /usr/bin/time -f %e -o "$work/t" "$@" > /dev/null 2>&1 || true; cat "$work/t"; }
home_with() {
  rm -rf "$work/home"
  mkdir -p "$work/home"
  printf '[Main]\nSandbox=%s\n' "$1" > "$work/home/qivo2.ini"
}

declare -A thumbs open
for sandbox in 0 1; do
  t=(); o=()
  for r in $(seq "$rounds"); do
    home_with "$sandbox"
    t+=("$(QIVO2_HOME="$work/home" seconds "$build/bin/qivo2-thumbs" -j 1 "$work/pics")")
    rm -f "$work/big.bmp"
    o+=("$(QIVO2_HOME="$work/home" seconds "$build/bin/qivo2-convert" "$work/big.tga" -o "$work/big.bmp" --overwrite)")
  done
  thumbs[$sandbox]=$(printf '%s\n' "${t[@]}" | median)
  open[$sandbox]=$(printf '%s\n' "${o[@]}" | median)
  echo "Sandbox=$sandbox: thumbnails ${t[*]} s (median ${thumbs[$sandbox]}), open ${o[*]} s (median ${open[$sandbox]})"
done
awk -v t0="${thumbs[0]}" -v t1="${thumbs[1]}" -v n="$count" \
  'BEGIN { printf "thumbnails: %.1f/s in-process, %.1f/s sandboxed, ratio %.3f\n", n/t0, n/t1, t0/t1 }'
awk -v o0="${open[0]}" -v o1="${open[1]}" \
  'BEGIN { printf "full-size open: %.3f s in-process, %.3f s sandboxed, ratio %.3f\n", o0, o1, o1/o0 }'
