#!/bin/sh
# Installs what is needed, builds QIVO2 and starts it on a folder of sample pictures.
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
BUILD=${BUILD:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD" --target qivo2
SAMPLES="$BUILD/samples"
mkdir -p "$SAMPLES"
[ -x scripts/make-samples.sh ] && scripts/make-samples.sh "$BUILD" "$SAMPLES" || true
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ] && [ -z "$QT_QPA_PLATFORM" ]; then
  echo "QIVO2 needs a display: none is set (DISPLAY/WAYLAND_DISPLAY). Run it under Xvfb with: xvfb-run -a make run" >&2
  exit 1
fi
exec "$BUILD/bin/qivo2" "$SAMPLES"
