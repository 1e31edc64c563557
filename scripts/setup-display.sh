#!/usr/bin/env bash
# What driving the window on a virtual display needs beyond the build: xdotool, ImageMagick's
# import and xwininfo.
set -euo pipefail
packages=(xdotool imagemagick x11-utils xvfb xauth)
bash "$(dirname "$0")/install-packages.sh" "driving the window" "${packages[@]}"
