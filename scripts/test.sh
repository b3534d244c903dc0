#!/bin/sh
# Installs what is needed, builds everything and runs every test (no display needed).
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
BUILD=${BUILD:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD"
cd "$BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
