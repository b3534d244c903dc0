#!/bin/sh
# Installs into a temporary prefix and checks the installed program as a user gets it: the
# tools find their plug-ins in the prefix, the help file is where F1 looks, and the desktop
# entry and metainfo validate.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -eu
BUILD=$1 SRC=$2
PREFIX=$(mktemp -d) DATA=$(mktemp -d) OUT=$(mktemp -d)
trap 'rm -rf "$PREFIX" "$DATA" "$OUT"' EXIT
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null
for f in bin/qivo2 bin/qivo2-convert bin/qivo2-rename bin/qivo2-thumbs lib/qivo2/spi/ifgif.spi \
  share/qivo2/qivo2.html share/applications/org.qivo2.QIVO2.desktop \
  share/metainfo/org.qivo2.QIVO2.metainfo.xml share/icons/hicolor/scalable/apps/qivo2.svg \
  share/icons/hicolor/48x48/apps/qivo2.png; do
  [ -e "$PREFIX/$f" ] || { echo "not installed: $f"; exit 1; }
done
# A GIF is read only through the ifgif plug-in, which lives in PREFIX/lib/qivo2/spi.
XDG_DATA_HOME="$DATA" QIVO2_HOME= "$PREFIX/bin/qivo2-convert" "$SRC/tests/data/spi/pattern.gif" --format png -o "$OUT"
[ -s "$OUT/pattern.png" ] || { echo "the installed qivo2-convert did not convert the GIF"; exit 1; }
# Settings of an installed program go to the data folder, never into PREFIX/bin.
[ ! -e "$PREFIX/bin/qivo2-convert.ini" ] && [ ! -e "$PREFIX/bin/Temp" ] || { echo "wrote into PREFIX/bin"; exit 1; }
desktop-file-validate "$PREFIX/share/applications/org.qivo2.QIVO2.desktop"
appstreamcli validate --no-net "$PREFIX/share/metainfo/org.qivo2.QIVO2.metainfo.xml" >/dev/null
echo "installed and checked in $PREFIX"
