#!/bin/sh
# Makes the help file's pictures again: starts a private X session, runs QIVO2 on the sample
# pictures with a fresh program folder, opens each window through its menu item and saves it.
#   scripts/help-screenshots.sh [BUILD_DIR]      (writes docs/help/*.png)
# Each row of SHOTS: picture name | main-window item to press ("" = the main window itself) |
# caption of the window to save (a regex) | keys that close it.
cd "$(dirname "$0")/.."
BUILD=${1:-build}
OUT=docs/help
TOOLS=${QIVO2_TOOLS:-../shared/tools}
mkdir -p "$OUT" || exit 1
SAMPLES=$(mktemp -d) HOME_DIR=$(mktemp -d) RUNTIME=$(mktemp -d)
chmod 700 "$RUNTIME"
trap 'kill $QPID 2>/dev/null; "$TOOLS/xsession" stop; rm -rf "$SAMPLES" "$HOME_DIR" "$RUNTIME"' EXIT
scripts/make-samples.sh "$BUILD" "$SAMPLES" >/dev/null 2>&1
mkdir -p "$SAMPLES/media" && for n in song.mp3 clip.avi voice.wav; do echo x >"$SAMPLES/media/$n"; done
eval "$("$TOOLS/xsession" start 1280x800)"
export QIVO2_HOME="$HOME_DIR" XDG_RUNTIME_DIR="$RUNTIME" XDG_CURRENT_DESKTOP=
mkdir -p "$SAMPLES/converted"
printf '[Media]\nOpenDir=%s\n[SaveFolder]\nPath=%s\nPath1=%s\nIndex=0\n' "$SAMPLES/media" "$SAMPLES/converted" \
  "$SAMPLES/converted" >"$HOME_DIR/qivo2.ini"
"$BUILD/bin/qivo2" "$SAMPLES" >/dev/null 2>&1 & QPID=$!
sleep 5
# The first picture selected, as most commands need.
xdotool key --clearmodifiers Tab Home 2>/dev/null
"$TOOLS/atspi" press '^QIVO2' '^最初のページ' >/dev/null 2>&1

shot() {  # name caption-regex
  # The window just opened has the focus; message boxes share the main window's caption.
  id=$(xdotool getactivewindow 2>/dev/null)
  xdotool getwindowname "$id" 2>/dev/null | grep -Eq "$2" || id=$(xdotool search --onlyvisible --name "$2" 2>/dev/null | tail -1)
  [ -n "$id" ] || { echo "help-screenshots: no window '$2' for $1" >&2; return; }
  import -window "$id" -frame "$OUT/$1.png" 2>/dev/null || import -window "$id" "$OUT/$1.png"
}

while IFS='|' read -r name item caption keys; do
  [ -z "$name" ] && continue
  # A press that opens a modal window may not return until long after it closed.
  press=
  if [ -n "$item" ]; then "$TOOLS/atspi" press '^QIVO2' "$item" >/dev/null 2>&1 & press=$!; sleep 2; fi
  shot "$name" "$caption"
  for k in $keys; do xdotool key "$k"; sleep 0.5; done
  [ -n "$press" ] && kill "$press" 2>/dev/null
  sleep 0.5
done <<'SHOTS'
main-window||^QIVO2$|
options|^オプション|^オプション|Escape
other-programs|^ソフト登録|^オプション|Escape
slide-options|^Other|^オプション|Escape
wallpaper|^壁紙設定|^壁紙設定|Escape
cache-list|^キャッシュリスト|^キャッシュリスト$|Escape
media|^メディアファイルの再生|^メディアファイルの再生$|Escape
about|^ヴァージョン情報|^ヴァージョン情報$|Escape
real-size|^実サイズ表示|\(.*×.*\)$|Escape
convert-settings|^変換設定|^変換設定$|Escape
editor|^画像の編集\(|^画像の編集 - |alt+F4
convert-confirm|^JPEGで保存|^QIVO2$|Escape
rename|^名前の変更\(|^名前の変更$|Escape
rename-all|^連番で名前変更|^連番で名前変更 - |Escape
save-folders|^フォルダ設定|^フォルダ設定|Escape
favourites|^お気に入りの編集|^お気に入りの編集|Escape
properties|^プロパティ|のプロパティ$|Escape
SHOTS
ls "$OUT"
