#!/bin/sh
# Fills a folder with sample pictures for trying QIVO2:
#   scripts/make-samples.sh BUILD_DIR SAMPLES_DIR
# - photographs from the MATE backgrounds package (installed by install-deps.sh);
# - one file of every format QIVO2 reads: BMP, JPEG and PNG written by our own encoder
#   (qivo2-convert, built here), GIF and TGA for the plug-ins we ship, ICO and CUR for the
#   icon kinds (ImageMagick); WebP, TIFF, HEIC, AVIF and JPEG XL for the format plug-ins
#   (cwebp, ImageMagick, heif-enc, cjxl).
# Each step is best effort: a missing tool leaves its files out, never fails the run.
cd "$(dirname "$0")/.."
BUILD=${1:?usage: make-samples.sh BUILD_DIR SAMPLES_DIR}
OUT=${2:?usage: make-samples.sh BUILD_DIR SAMPLES_DIR}
mkdir -p "$OUT" || exit 1

PHOTOS=/usr/share/backgrounds/mate/nature
for f in "$PHOTOS"/*.jpg; do
  [ -f "$f" ] && [ ! -f "$OUT/$(basename "$f")" ] && cp "$f" "$OUT/"
done

# The decoder plug-ins and the converter are not dependencies of the qivo2 target.
targets="qivo2-convert"
for d in plugins/*/; do
  [ -f "$d/CMakeLists.txt" ] && targets="$targets $(basename "$d")"
done
for t in $targets; do
  cmake --build "$BUILD" --target "$t" >/dev/null 2>&1 || echo "make-samples: could not build $t" >&2
done

TMP=$(mktemp -d) || exit 1
trap 'rm -rf "$TMP"' EXIT
SRC="$PHOTOS/LadyBird.jpg"
[ -f "$SRC" ] || { SRC="$TMP/source.png"; convert logo: -resize 640x "$SRC" 2>/dev/null; }

CONVERT="$BUILD/bin/qivo2-convert"
if [ -x "$CONVERT" ]; then
  # The command-line converter reads its defaults from this file, not from QIVO2's.
  : >"$TMP/convert.ini"
  run() { "$CONVERT" --settings "$TMP/convert.ini" --overwrite --size-mode 2 --size 800 "$@" >/dev/null 2>&1 ||
    echo "make-samples: qivo2-convert $* failed" >&2; }
  run --format bmp "$SRC" -o "$OUT/sample-24bit.bmp"
  run --format bmp --colors256 "$SRC" -o "$OUT/sample-256colours.bmp"
  run --format jpg --quality 85 "$SRC" -o "$OUT/sample-baseline.jpg"
  run --format jpg --progressive --grayscale "$SRC" -o "$OUT/sample-progressive-grey.jpg"
  run --format png --level 9 "$SRC" -o "$OUT/sample.png"
  run --format png --interlace "$SRC" -o "$OUT/sample-interlaced.png"
else
  echo "make-samples: $CONVERT not built; BMP/JPEG/PNG samples left out" >&2
fi

if command -v convert >/dev/null 2>&1; then
  convert "$SRC" -resize 480x "$OUT/sample.gif" 2>/dev/null
  convert "$SRC" -resize 480x -type TrueColor "$OUT/sample.tga" 2>/dev/null
  convert "$SRC" -resize 48x48^ -gravity center -extent 48x48 "$OUT/sample.ico" 2>/dev/null
  convert "$SRC" -resize 32x32^ -gravity center -extent 32x32 "$OUT/sample.cur" 2>/dev/null
  convert "$SRC" -resize 480x -compress LZW "$OUT/sample.tif" 2>/dev/null
  convert "$SRC" -resize 480x "$TMP/sample-480.png" 2>/dev/null
fi
# The format plug-ins' own encoders, from a 480-pixel PNG (or the source when that failed).
P="$TMP/sample-480.png"
[ -f "$P" ] || P="$SRC"
command -v cwebp >/dev/null 2>&1 && cwebp -quiet -q 80 "$P" -o "$OUT/sample.webp" 2>/dev/null
command -v heif-enc >/dev/null 2>&1 && heif-enc -q 80 -t 128 "$P" -o "$OUT/sample.heic" >/dev/null 2>&1
command -v heif-enc >/dev/null 2>&1 && heif-enc -A -q 80 "$P" -o "$OUT/sample.avif" >/dev/null 2>&1
command -v cjxl >/dev/null 2>&1 && cjxl --quiet -d 1 "$P" "$OUT/sample.jxl" 2>/dev/null
exit 0
