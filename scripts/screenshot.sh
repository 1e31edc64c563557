#!/usr/bin/env bash
# Builds the program, opens its window on a virtual X display and saves a picture of it in
# docs/window.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if ! command -v import >/dev/null; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "the screenshot needs ImageMagick's import: sudo apt-get install -y imagemagick" >&2
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends imagemagick
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j 2 --target xiuyun

# A program directory of its own, so the folder box shows no path of the build tree.
workdir="$(mktemp -d)"
trap 'rm -rf "$workdir"' EXIT
mkdir "$workdir/xiuyun"
cp build/src/xiuyun "$workdir/xiuyun/"
output="$PWD/docs/window.png"

xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" bash -c '
  set -euo pipefail
  "$1/xiuyun/xiuyun" &
  program=$!
  window=""
  for _ in $(seq 100); do
    window="$(xwininfo -root -tree 2>/dev/null | grep "岫云阁_下载" | awk "{print \$1}" | head -n 1 || true)"
    [ -n "$window" ] && break
    sleep 0.2
  done
  if [ -z "$window" ]; then
    echo "the window did not appear" >&2
    kill "$program"
    exit 1
  fi
  sleep 1 # let it paint
  import -window "$window" "$2"
  kill "$program"
  wait "$program" || true
' screenshot "$workdir" "$output"
echo "saved $output"
