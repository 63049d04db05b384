#!/usr/bin/env bash
# Makes the README's pictures in docs/: the main window, the tray icon in the
# taskbar of Wine's shell desktop, its menu, and the warning. Runs the built
# program on a private Xvfb through launch.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$(realpath "${1:-$root/build/windows/app/Quillaberton.exe}")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$root/docs"

# Settings with two entries; the second argument is the start-in-tray flag.
settings() {
  local tray=$1 y=$2 mo=$3 d=$4 h=$5 mi=$6 s=$7
  # Names in Shift-JIS: 時刻設定, ログオフ.
  printf '[COM]\r\nsize=2\r\ntasktray=%d\r\n' "$tray"
  printf '[ITEM00]\r\nname=\x8e\x9e\x8d\x8f\x90\xdd\x92\xe8\r\ntime_mode=0\r\nyear=%d\r\nmonth=%d\r\nday=%d\r\nweek=0\r\nhour=%d\r\nminute=%d\r\nsecond=%d\r\nsd_mode=0\r\n' \
    "$y" "$mo" "$d" "$h" "$mi" "$s"
  printf '[ITEM01]\r\nname=\x83\x8d\x83\x4f\x83\x49\x83\x74\r\ntime_mode=1\r\nyear=0\r\nmonth=0\r\nday=0\r\nweek=62\r\nhour=18\r\nminute=0\r\nsecond=0\r\nsd_mode=3\r\n'
}

shot() { # name delay crop desktop(0/1) settings-args...
  # QB_DPI, QB_DESKTOP_SIZE and QB_SHOT_POINTER pass through to launch.sh.
  # QB_SHOTS="name ..." makes only the pictures named.
  local name=$1 delay=$2 crop=$3 desktop=$4
  shift 4
  case " ${QB_SHOTS:-$name} " in *" $name "*) ;; *) return 0 ;; esac
  mkdir -p "$tmp/$name"
  settings "$@" >"$tmp/$name/Quillaberton.dat"
  local nodesk=""
  [ "$desktop" -eq 1 ] || nodesk=1
  DISPLAY= QB_WORKDIR="$tmp/$name" QB_SHOT_DELAY=$delay QB_NO_DESKTOP=$nodesk bash "$root/scripts/launch.sh" "$exe" >/dev/null
  convert "$tmp/$name/screenshot.png" -crop "$crop" +repage "$root/docs/$name.png"
  echo "docs/$name.png"
}

# An entry that is never due (31 December, 23:30:00, any year).
shot main-window 6 800x600+0+0 1 0 0 12 31 23 30 0
QB_SHOT_POINTER="790 589" shot tray 6 400x80+400+520 1 1 0 12 31 23 30 0
# An entry due some 6 s after the start, with the main window open: the
# warning over it, 6 s after that.
read -r y mo d h mi s < <(date -d '+8 seconds' '+%Y %-m %-d %-H %-M %-S')
shot warning 14 800x600+0+0 1 0 "$y" "$mo" "$d" "$h" "$mi" "$s"
# The main window on a screen of 192 dots per inch, in a prefix of its own.
QB_WINEPREFIX="$root/build/run-wineprefix-192dpi" QB_DPI=192 QB_DESKTOP_SIZE=1600x1200 \
  QB_XVFB_SCREEN=1600x1200x24 \
  shot main-window-192dpi 8 1010x714+295+226 1 0 0 12 31 23 30 0
# The warning at 192 dots per inch.
read -r y mo d h mi s < <(date -d '+20 seconds' '+%Y %-m %-d %-H %-M %-S')
QB_WINEPREFIX="$root/build/run-wineprefix-192dpi" QB_DPI=192 QB_DESKTOP_SIZE=1600x1200 \
  QB_XVFB_SCREEN=1600x1200x24 \
  shot warning-192dpi 26 1010x714+295+226 1 0 "$y" "$mo" "$d" "$h" "$mi" "$s"
# The tray menu, opened on the icon, with タイマー and 30分後 open.
QB_SHOT_XDO="mousemove 790 589 click 3 sleep 1.5 mousemove 580 468 sleep 1.5 mousemove 500 484 sleep 1.5" \
  shot tray-menu 6 340x157+460+443 1 1 0 12 31 23 30 0
# The same at 192 dots per inch, opened on the icon, with タイマー and
# 30分後 open.
menu192="mousemove 1582 1181 click 3 sleep 1.5 mousemove 1160 977 sleep 1.5 mousemove 1050 1005 sleep 1.5"
QB_WINEPREFIX="$root/build/run-wineprefix-192dpi" QB_DPI=192 QB_DESKTOP_SIZE=1600x1200 \
  QB_XVFB_SCREEN=1600x1200x24 QB_SHOT_XDO="$menu192" \
  shot tray-menu-192dpi 8 660x290+940+915 1 1 0 12 31 23 30 0
# シャットダウン chosen there, then the window brought back by a double-click:
# the quick timer in the next-due line, and the selected entry's rule.
QB_WINEPREFIX="$root/build/run-wineprefix-192dpi" QB_DPI=192 QB_DESKTOP_SIZE=1600x1200 \
  QB_XVFB_SCREEN=1600x1200x24 \
  QB_SHOT_XDO="$menu192 mousemove 1200 1005 click 1 sleep 1 mousemove 1582 1181 click --repeat 2 --delay 100 1 sleep 2 mousemove 10 10" \
  shot tray-timer-192dpi 8 1010x714+295+226 1 1 0 12 31 23 30 0
# The entry editor over the main window, opened with 修正 on the first entry.
QB_SHOT_XDO="mousemove 563 318 click 1 sleep 2 mousemove 10 10" \
  shot editor 6 606x462+96+61 1 0 0 12 31 23 30 0
# 詳細設定 with its options.
QB_SHOT_XDO="mousemove 400 422 click 1 sleep 2 mousemove 10 10" \
  shot detail-setting 6 586x277+106+149 1 0 0 12 31 23 30 0
# The editor at 192 dots per inch.
QB_WINEPREFIX="$root/build/run-wineprefix-192dpi" QB_DPI=192 QB_DESKTOP_SIZE=1600x1200 \
  QB_XVFB_SCREEN=1600x1200x24 QB_SHOT_XDO="mousemove 1127 638 click 1 sleep 2 mousemove 10 10" \
  shot editor-192dpi 8 1204x944+198+110 1 0 0 12 31 23 30 0
# 条件で実行..., opened from the tray menu.
QB_SHOT_XDO="mousemove 790 589 click 3 sleep 1.5 mousemove 700 488 click 1 sleep 2 mousemove 10 10" \
  shot watch-dialog 8 568x506+116+37 1 1 0 12 31 23 30 0
# The window with a condition armed by the start's command: after the
# entry on the next-due line, and its measure under it once sampled.
QB_ARGS="/when quiet 50 5 shutdown" shot watch-window 22 520x350+140+115 1 0 0 12 31 23 30 0
