#!/usr/bin/env bash
# What driving the window on a virtual display needs beyond the build: xdotool, ImageMagick's
# import and xwininfo.
set -euo pipefail
packages=(xdotool imagemagick x11-utils xvfb xauth)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "driving the window needs: sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
