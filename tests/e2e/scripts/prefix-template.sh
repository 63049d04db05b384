#!/bin/sh
# Creates the Wine prefix that every end-to-end run copies, once per build
# tree (again only when the installed Wine changes). Runs as a CTest fixture
# before the end-to-end tests, never at the same time as another prefix is
# being created.
#   prefix-template.sh TEMPLATE_DIR
set -eu
template=$1
stamp="$template/.qb-wine-version"
# Made again when Wine or this script changes.
version="$(wine --version) $(md5sum <"$0" | cut -d' ' -f1)"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
  exit 0
fi

export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=C.UTF-8
tmp="$template.new"
rm -rf "$tmp" "$template"
mkdir -p "$tmp"
export WINEPREFIX="$tmp"
wine wineboot --init >/dev/null 2>&1
# The dialogs ask for the Japanese Windows fonts; without them Wine draws
# boxes instead of kana and kanji in the screenshots (read-back text does not
# depend on fonts). The IPA fonts stand in.
replace() {
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1
}
replace 'ＭＳ Ｐゴシック' IPAPGothic
replace 'ＭＳ ゴシック' IPAGothic
replace 'MS PGothic' IPAPGothic
replace 'MS Gothic' IPAGothic
replace 'MS UI Gothic' IPAPGothic
# Caption buttons are drawn with Marlett (Debian's fonts-wine); without it
# the close box shows an "r".
if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  mkdir -p "$tmp/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/marlett.ttf "$tmp/drive_c/windows/Fonts/"
fi
# There is no window manager: unmanaged, Wine draws the frames itself and
# does not wait up to 2 s for one to confirm every hide of a captioned window.
# (Dialogs that showed black over their owners were an artefact of xwd -root;
# shot.sh reads the screen with import.)
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
printf '%s\n' "$version" >"$tmp/.qb-wine-version"
mv "$tmp" "$template"
