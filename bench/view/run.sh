#!/usr/bin/env bash
# Viewing figures: the real-size window on a 24-megapixel JPEG against a bare libjpeg-turbo
# decode (bench_view), and the slide show's tick latency over 24-megapixel JPEGs at a
# 1-second interval (bench_slide, on an X server when DISPLAY is set, else offscreen).
# Usage: bench/view/run.sh BUILD_DIR [PHOTO]   (PHOTO: a source photo, upscaled to 6000x4000)
set -euo pipefail
build=${1:?build dir}
src=${2:-$(find /usr/share/backgrounds -iname '*.jpg' | head -1)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in 1 2 3 4 5 6; do
  convert "$src" -resize 6000x4000! -attenuate 0.4 +noise Gaussian -roll +$((i * 300))+0 -quality 90 "$work/p$i.jpg"
done
identify -format '%f %wx%h %b\n' "$work/p1.jpg"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} QIVO2_BENCH_JPEG="$work/p1.jpg" \
  "$build/bin/bench_view" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null
if [ -z "${DISPLAY:-}" ]; then export QT_QPA_PLATFORM=offscreen; fi
/usr/bin/time -f "peak memory %M KB" "$build/bin/bench_slide" "$work" 1000 12
