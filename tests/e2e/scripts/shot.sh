#!/bin/sh
# Takes a PNG of the X display for a test driver running inside Wine, which
# starts this script by its Unix path. The picture is renamed into place when
# complete, since the driver can only wait for the file to appear.
#   shot.sh OUT.png [WIDTHxHEIGHT+X+Y]
# A window that Wine has not drawn yet shows as one flat colour (black): such
# a picture is taken again, a few times, before it is kept. Next to it,
# OUT.txt gives its mean brightness (0 black .. 1 white) for tests to check.
#
# The picture is read with ImageMagick's import, not xwd -root: on Xvfb,
# xwd -root returns black for a top-level window that lies wholly inside
# another one (a dialog centred over its visible owner), although the screen
# itself (Xvfb -fbdir) shows it drawn; import reads it as shown.
set -u
out=$1
crop=${2:-}
tmp="$out.part$$"
mkdir -p "$(dirname "$out")"
take() {
  if [ -n "$crop" ]; then
    import -silent -display "$DISPLAY" -window root -crop "$crop" +repage "png:$tmp"
  else
    import -silent -display "$DISPLAY" -window root "png:$tmp"
  fi
}
for attempt in 1 2 3 4 5 6 7 8; do
  take
  [ -s "$tmp" ] || continue
  flat=$(convert "$tmp" -format '%[standard-deviation]' info: 2>/dev/null)
  [ "$flat" != 0 ] && break
  sleep 0.5
done
if [ -s "$tmp" ]; then
  convert "$tmp" -format 'mean=%[fx:mean]\n' info: >"${out%.png}.txt" 2>/dev/null
  mv "$tmp" "$out"
else
  rm -f "$tmp"
  exit 1
fi
