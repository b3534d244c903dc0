#!/bin/sh
# Installs into a temporary prefix and checks the installed program as a user gets it: the
# tools find their plug-ins in the prefix, the help file is where F1 looks, the desktop
# entry and metainfo validate, and the entry started as a desktop menu starts it opens the
# picture's folder with the picture selected.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -eu
BUILD=$1 SRC=$2
PREFIX=$(mktemp -d) DATA=$(mktemp -d) OUT=$(mktemp -d) PICS=$(mktemp -d) HOMEDIR=$(mktemp -d) RUNTIME=$(mktemp -d)
# The installed qivo2 process, found by its executable (it is not our child once gio exits).
installed_pid() {
  for d in /proc/[0-9]*; do
    [ "$(readlink "$d/exe" 2>/dev/null)" = "$PREFIX/bin/qivo2" ] || continue
    grep -q '^State:[[:space:]]*Z' "$d/status" 2>/dev/null || { echo "${d#/proc/}"; return; }
  done
}
# A failed check leaves no program of the prefix running.
trap 'p=$(installed_pid); [ -z "$p" ] || kill -KILL "$p"; rm -rf "$PREFIX" "$DATA" "$OUT" "$PICS" "$HOMEDIR" "$RUNTIME"' EXIT
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

# Started from the menu: gio reads Exec as a launcher does, finds qivo2 on PATH and puts the
# picture in for %f; a name with a space checks the quoting.
command -v gio >/dev/null || { echo "gio is missing (libglib2.0-bin)"; exit 1; }
cp "$SRC/tests/data/bmp/pal4.bmp" "$PICS/a.bmp"
cp "$SRC/tests/data/bmp/pal8.bmp" "$PICS/b c.bmp"
PICS=$(cd "$PICS" && pwd -P)
(cd / && PATH="$PREFIX/bin:$PATH" QT_QPA_PLATFORM=offscreen QIVO2_TEST=1 QIVO2_HOME="$HOMEDIR" \
  XDG_RUNTIME_DIR="$RUNTIME" XDG_DATA_HOME="$DATA" \
  gio launch "$PREFIX/share/applications/org.qivo2.QIVO2.desktop" "$PICS/b c.bmp" 2>"$OUT/menu.err")
want="qivo2: started in $PICS, selected $PICS/b c.bmp"
i=0
until grep -qF "$want" "$OUT/menu.err"; do
  i=$((i + 1))
  [ $i -le 600 ] || { echo "not started from the menu as expected:"; cat "$OUT/menu.err"; exit 1; }
  sleep 0.1
done
pid=$(installed_pid)
[ -n "$pid" ] || { echo "the program started from the menu is not running"; exit 1; }
# A TERM closes the window the ordinary way: it goes and writes the folder it showed.
kill -TERM "$pid"
i=0
while [ -n "$(installed_pid)" ]; do
  i=$((i + 1))
  [ $i -le 600 ] || { echo "the program started from the menu did not close on TERM"; kill -KILL "$pid"; exit 1; }
  sleep 0.1
done
tr -d "\r" <"$HOMEDIR/qivo2.ini" | grep -qxF "RootPath=$PICS" || { echo "no RootPath=$PICS in its settings:"; cat "$HOMEDIR/qivo2.ini"; exit 1; }
echo "installed and checked in $PREFIX"
