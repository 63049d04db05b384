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

export WINEARCH=win64 WINEDEBUG=-all,err+virtual WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=C.UTF-8
tmp="$template.new"
rm -rf "$tmp" "$template"
mkdir -p "$tmp"
export WINEPREFIX="$tmp"
# Wine's loader now and then ends a process before any of its code runs (see
# start_wine in run.sh); these steps may simply be made again then.
wine_step() {
  for attempt in 1 2 3; do
    if wine "$@" >/dev/null 2>"$tmp.err"; then
      return 0
    fi
    grep -q 'failed to map the shared user data' "$tmp.err" || break
    echo "prefix-template.sh: Wine ended $1 before it ran (attempt $attempt of 3); starting it again" >&2
  done
  cat "$tmp.err" >&2
  return 1
}
wine_step wineboot --init
# The dialogs ask for the Japanese Windows fonts; without them Wine draws
# boxes instead of kana and kanji in the screenshots (read-back text does not
# depend on fonts). The IPA fonts stand in.
replace() {
  wine_step reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$1" /t REG_SZ /d "$2" /f
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
wine_step reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
wineserver -w
rm -f "$tmp.err"
printf '%s\n' "$version" >"$tmp/.qb-wine-version"
mv "$tmp" "$template"
