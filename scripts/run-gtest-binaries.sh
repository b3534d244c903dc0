#!/bin/sh
# Runs every GoogleTest binary whole, then shuffled: CTest runs each case in its own process,
# which hides cases that depend on each other's state or order.
set -e
BUILD=${1:-build}
status=0
for bin in "$BUILD"/bin/*_tests; do
  [ -x "$bin" ] || continue
  for mode in whole shuffled; do
    flags=""
    [ "$mode" = shuffled ] && flags="--gtest_shuffle"
    if QT_QPA_PLATFORM=offscreen QIVO2_TEST=1 "$bin" $flags --gtest_brief=1 >"$bin.$mode.log" 2>&1; then
      echo "$(basename "$bin") $mode: passed"
    else
      echo "$(basename "$bin") $mode: FAILED (log: $bin.$mode.log)"
      tail -n 40 "$bin.$mode.log"
      status=1
    fi
  done
done
exit $status
