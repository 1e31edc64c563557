#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from what the checked-in .clang-format makes of it,
# naming the places. `--fix` formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh "the format check" clang-format-14
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format-14 -i "${sources[@]}"
else
  clang-format-14 --dry-run --Werror "${sources[@]}"
fi
