#!/usr/bin/env bash
# Makes data/windows/xiuyun.ico from the project's icon, data/xiuyun.svg: the sizes Windows asks
# for in lists, title bars, the taskbar and Explorer's large views (256 stored as PNG, as Windows
# expects it). The icon is checked in, so the Windows build needs neither tool; run this again
# after a change of the SVG and commit the result. The same tools give the same bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh "the Windows icon" librsvg2-bin icoutils

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
small=()
for size in 16 20 24 32 40 48 64; do
  rsvg-convert --width "$size" --height "$size" --output "$work/$size.png" data/xiuyun.svg
  small+=("$work/$size.png")
done
rsvg-convert --width 256 --height 256 --output "$work/256.png" data/xiuyun.svg
icotool --create --output data/windows/xiuyun.ico "${small[@]}" --raw="$work/256.png"
icotool --list data/windows/xiuyun.ico
