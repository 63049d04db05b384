#!/bin/sh
# Real X pointer input for a test driver running inside Wine, which starts
# this script by its Unix path and waits for DONE to appear.
#   pointer.sh DONE xdotool-arguments...
set -u
done_file=$1
shift
xdotool "$@"
echo "$?" >"$done_file.part" && mv "$done_file.part" "$done_file"
