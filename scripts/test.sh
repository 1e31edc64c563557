#!/usr/bin/env bash
# Checks the format of every C++ file, builds everything with warnings as errors and runs every
# test; then builds and checks the Debian package, cross-builds the Windows program and its tests
# and runs them under Wine (with two downloads of the sample gallery, checked against the Linux
# program's), packs the Windows program and installs, uses, updates and removes it under Wine,
# runs every test once more in an AddressSanitizer and UndefinedBehaviorSanitizer build, and the
# tests labelled "threads" in a ThreadSanitizer build. `--quick` stops after the first run.
# `--mutate [WORD...]` builds as the first stage does, then runs the mutation pass
# (scripts/mutate.py) instead of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs="$(nproc)"
common=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DXIUYUN_WERROR=ON -DXIUYUN_BUILD_TESTS=ON)
build_first_stage() {
  cmake -S . -B build "${common[@]}" -DXIUYUN_BUILD_BENCH=ON
  cmake --build build -j "$jobs"
}

if [ "${1:-}" = "--mutate" ]; then
  build_first_stage
  python3 scripts/mutate.py --build-dir build --jobs "$jobs" "${@:2}"
  exit
fi

bash scripts/check-format.sh
bash scripts/check-layers.sh
build_first_stage
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300
[ "${1:-}" = "--quick" ] && exit 0

echo "== the Debian package"
# After the --quick exit: a second, Release build that code changes seldom break. Checked from an
# extraction, never installed.
started=$SECONDS
bash scripts/package-deb.sh
bash scripts/check-deb.sh
echo "== the Debian package took $((SECONDS - started)) s"

echo "== Windows"
started=$SECONDS
bash scripts/test-windows.sh
bash scripts/package-windows.sh
echo "== Windows took $((SECONDS - started)) s"

echo "== the Windows installer"
# Installed, used, updated and removed in a Wine prefix of its own, then the portable zip.
started=$SECONDS
bash scripts/test-installer.sh
echo "== the Windows installer took $((SECONDS - started)) s"

echo "== every test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan "${common[@]}" -DXIUYUN_SANITIZE=ON -DXIUYUN_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=0" UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600

echo "== the tests that run threads with ThreadSanitizer"
# Those of the engine, the HTTP client and the window queues carry the label "threads"
# (tests/CMakeLists.txt). Debian's Qt is not built for ThreadSanitizer: the window tests here are
# those of the headless window, which shares every line of the core with the real one.
cmake -S . -B build-tsan "${common[@]}" -DXIUYUN_SANITIZE_THREAD=ON -DXIUYUN_BUILD_GUI=OFF -DXIUYUN_BUILD_BENCH=OFF
cmake --build build-tsan -j "$jobs"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/sanitizers/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -j "$jobs" --timeout 900 -L threads
