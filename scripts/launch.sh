#!/usr/bin/env bash
# Runs Quillaberton.exe under Wine. The settings file "Quillaberton.dat" lives
# in the working folder, build/run/ by default (QB_WORKDIR overrides it).
#
# With an X display the program simply runs there. Without one (a server, a
# CI machine) it starts a private Xvfb, lets the program come up, writes a
# screenshot, prints where it is and ends the program again.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$(realpath "${1:-$root/build/windows/app/Quillaberton.exe}")"
workdir="${QB_WORKDIR:-$root/build/run}"
mkdir -p "$workdir"

export WINEPREFIX="${QB_WINEPREFIX:-$root/build/run-wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX (once, about 15 s)..."
  wine wineboot --init >/dev/null 2>&1 || true
  wineserver -w
fi
if [ ! -f "$WINEPREFIX/.qb-fonts" ]; then
  # The program asks for the Japanese Windows fonts, and Wine's own UI font
  # has no kana or kanji: let the IPA fonts stand in, or every Japanese text
  # shows as boxes.
  replace() {
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1
  }
  replace 'ＭＳ Ｐゴシック' IPAPGothic
  replace 'ＭＳ ゴシック' IPAGothic
  replace 'MS PGothic' IPAPGothic
  replace 'MS Gothic' IPAGothic
  replace 'MS UI Gothic' IPAPGothic
  for f in Tahoma 'Tahoma Bold' 'MS Shell Dlg' 'MS Shell Dlg 2'; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$f" /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f >/dev/null 2>&1
  done
  # Caption buttons are drawn with Marlett (Debian's fonts-wine).
  fonts="$(winepath -u 'C:\windows\Fonts' 2>/dev/null)"
  [ -f /usr/share/wine/fonts/marlett.ttf ] && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  wineserver -w
  touch "$WINEPREFIX/.qb-fonts"
fi

# QB_DPI=192 (say) makes the prefix's screen that many dots per inch.
if [ -n "${QB_DPI:-}" ]; then
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$QB_DPI" /f >/dev/null 2>&1
  wineserver -w
fi

cd "$workdir"
if [ -n "${DISPLAY:-}" ]; then
  exec wine "$exe" ${QB_ARGS:-}
fi

shot="$workdir/screenshot.png"
# QB_ARGS: the program's arguments (/when idle 10 shutdown, say).
export QB_EXE="$exe" QB_SHOT="$shot" QB_ARGS="${QB_ARGS:-}"
"$root/tests/tools/with-xvfb.sh" bash -c '
  # Wine'"'"'s "shell" desktop has a taskbar, where the tray icon shows.
  # QB_NO_DESKTOP=1 runs on the bare display instead; QB_DESKTOP_SIZE sets
  # the desktop'"'"'s size (800x600).
  size=${QB_DESKTOP_SIZE:-800x600}
  crop=$size+0+0
  if [ -n "${QB_NO_DESKTOP:-}" ]; then
    wine "$QB_EXE" $QB_ARGS >/dev/null 2>&1 &
    crop=1024x768+0+0
  else
    wine explorer /desktop=shell,$size "$QB_EXE" $QB_ARGS >/dev/null 2>&1 &
  fi
  sleep "${QB_SHOT_DELAY:-8}"
  # QB_SHOT_POINTER="X Y" rests the pointer there (on the tray icon, say)
  # before the picture, so that its tip shows.
  if [ -n "${QB_SHOT_POINTER:-}" ]; then
    xdotool mousemove $QB_SHOT_POINTER && sleep 0.2 && xdotool mousemove_relative 1 0
    sleep 1.5
  fi
  # QB_SHOT_XDO="..." runs those xdotool commands before the picture
  # (opening the tray menu, say).
  if [ -n "${QB_SHOT_XDO:-}" ]; then
    xdotool $QB_SHOT_XDO
    sleep 1
  fi
  # import, not xwd -root: xwd shows a window lying wholly inside another
  # one (the warning over the main window) as black.
  import -silent -window root -crop "$crop" +repage "png:$QB_SHOT"
  wineserver -k
  wait
' || true
echo "No X display: ran Quillaberton on a virtual one. Screenshot: $shot"
