#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (address and undefined-behaviour sanitizers on)
# and runs each for SECONDS (default 600) from its seed corpus in fuzz/corpus/<target>. What a run
# learns stays in build-fuzz/corpus; a finding is saved in build-fuzz/findings and ends the script
# with an error.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   targets: text extraction gzip lines headers pictures
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(text extraction gzip lines headers pictures)

bash scripts/setup.sh
bash scripts/install-packages.sh fuzzing clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DXIUYUN_BUILD_FUZZ=ON \
  -DXIUYUN_BUILD_GUI=OFF -DXIUYUN_BUILD_TESTS=OFF -DXIUYUN_BUILD_BENCH=OFF
cmake --build build-fuzz -j "$(nproc)" --target $(printf 'xiuyun_fuzz_%s ' "${targets[@]}")
mkdir -p build-fuzz/findings
for target in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$target"
  echo "== $target for ${seconds}s"
  "build-fuzz/fuzz/xiuyun_fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 \
    -artifact_prefix="build-fuzz/findings/$target-" -print_final_stats=1 \
    "build-fuzz/corpus/$target" "fuzz/corpus/$target"
done
