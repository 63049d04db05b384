#!/bin/sh
# Takes a PNG of the X display for a test driver running inside Wine, which
# starts this script by its Unix path. The picture is renamed into place when
# complete, since the driver can only wait for the file to appear.
#   shot.sh OUT.png [WIDTHxHEIGHT+X+Y]
set -u
out=$1
crop=${2:-}
tmp="$out.part$$"
mkdir -p "$(dirname "$out")"
if [ -n "$crop" ]; then
  xwd -root -silent -display "$DISPLAY" | convert xwd:- -crop "$crop" +repage "png:$tmp"
else
  xwd -root -silent -display "$DISPLAY" | convert xwd:- "png:$tmp"
fi
if [ -s "$tmp" ]; then
  mv "$tmp" "$out"
else
  rm -f "$tmp"
  exit 1
fi
