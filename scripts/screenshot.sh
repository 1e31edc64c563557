#!/usr/bin/env bash
# Builds the program and takes the README's pictures on a virtual display: the window after an
# analysis of the sample gallery and in the middle of its download (docs/window-analysed.png,
# docs/window-downloading.png).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/setup-display.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j 2 --target xiuyun

# A program directory of its own, so the folder box shows no path of the build tree.
workdir="$(mktemp -d)"
trap 'rm -rf "$workdir"' EXIT
mkdir "$workdir/xiuyun"
cp build/src/xiuyun "$workdir/xiuyun/"
xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" \
  bash scripts/drive-window.sh --pictures "$PWD/docs" "$workdir/xiuyun/xiuyun"
