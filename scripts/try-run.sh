#!/usr/bin/env bash
# Tries the README's run command as a newcomer would: a clean clone of the committed tree, then
# `bash scripts/run.sh` on a virtual display, and an analysis of a sample address typed and clicked
# into the real window. Exits 0 when the window opened and reported the analysis.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/setup-display.sh
clone="$(mktemp -d)"
trap 'rm -rf "$clone"' EXIT
git clone -q . "$clone/xiuyun"
cd "$clone/xiuyun"
xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" \
  bash scripts/drive-window.sh bash scripts/run.sh
