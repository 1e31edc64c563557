#!/usr/bin/env bash
# The Windows program under Wine: cross-builds it and the core tests with MinGW-w64 into
# build-windows-tests/, runs the tests under wine64 in a fresh Wine prefix, then downloads the
# sample category twice, once with --no-window and once through the native window on a virtual
# display, and compares every image with what the Linux program in build/ saves from the same
# address, and runs the tests of the native window, which need a display, on a virtual one.
# scripts/test.sh builds build/ first. With --pictures it also saves the native window
# in docs/ (docs/windows-analysed.png, docs/windows-downloading.png).
set -euo pipefail
cd "$(dirname "$0")/.."
pictures=""
[ "${1:-}" = "--pictures" ] && pictures=$PWD/docs

build=build-windows-tests
prefix=$(bash scripts/windows-deps.sh "$build")
bash scripts/setup-display.sh
linux_program=build/src/xiuyun
[ -x "$linux_program" ] || { echo "test-windows: build the Linux program in build/ first" >&2; exit 1; }

# A fresh prefix each run: nothing of an earlier run or of the user's own Wine is seen. Mono and
# Gecko are not wanted (and not reachable). The server stays up between the many short test
# processes, which saves a start of Wine each.
export WINEPREFIX=$PWD/$build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
"$wineserver" --kill 2> /dev/null || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
"$wineserver" --persistent
# Its notes on the first start (no 32-bit part, a working folder made later) are expected.
"$wine" wineboot.exe --init 2> /dev/null
work=$(mktemp -d)
trap '"$wineserver" --kill || true; rm -rf "$work"' EXIT
# Wine's Tahoma holds no Chinese: linked to WenQuanYi, every control and box shows it.
"$wine" reg.exe add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
  /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f > /dev/null
# Internet Options set to a direct connection, as the dialog writes it (version 0x46, flags 1):
# without the value Wine's WinHTTP answers "detect automatically", and no test should look for a
# proxy script on the network. The test of the system's proxy sets its own and puts this back.
"$wine" reg.exe add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections' \
  /v DefaultConnectionSettings /t REG_BINARY /d 460000000000000001000000000000000000000000000000 /f > /dev/null

echo "== the Windows build"
started=$SECONDS
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DXIUYUN_MINGW_DEPS="$prefix" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DXIUYUN_WERROR=ON -DXIUYUN_BUILD_TESTS=ON -DXIUYUN_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)"
echo "== the Windows build took $((SECONDS - started)) s"

echo "== the core tests under Wine"
started=$SECONDS
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300
echo "== the tests under Wine took $((SECONDS - started)) s"

# Every image below a program directory, as "checksum  path" lines with paths from that directory.
images() {
  (cd "$1" && find . -type f \( -name '*.jpg' -o -name '*.png' -o -name '*.gif' \) -print0 |
    sort -z | xargs -0 md5sum)
}
same_images() { # what, program directory
  local count
  images "$2" > "$work/$1.images"
  count=$(wc -l < "$work/$1.images")
  if [ "$count" -eq 0 ] || ! diff -u "$work/linux.images" "$work/$1.images"; then
    echo "test-windows: the images of $1 differ from those of the Linux program" >&2
    exit 1
  fi
  echo "$1: $count images, each byte for byte the Linux program's"
}

echo "== the Windows program downloads a sample list"
started=$SECONDS
address=http://www.gallery.test/t/xinggan/
# Each program keeps its data beside itself, as a portable copy does.
mkdir "$work/linux" "$work/console" "$work/window"
cp "$linux_program" "$work/linux/"
"$work/linux/xiuyun" --no-window --type category "$address" > "$work/linux.log"
images "$work/linux" > "$work/linux.images"
cp "$build/src/xiuyun.exe" "$work/console/"
"$wine" "$work/console/xiuyun.exe" --no-window --type category "$address" > "$work/console.log" ||
  { cat "$work/console.log" >&2; exit 1; }
same_images "--no-window" "$work/console"

# The window needs a display: a server of the prefix started without one would have none.
"$wineserver" --kill
cp "$build/src/xiuyun.exe" "$work/window/"
xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" \
  bash scripts/drive-window.sh --download ${pictures:+--pictures "$work"} "$wine" "$work/window/xiuyun.exe"
same_images "the window" "$work/window"
echo "== the native window's tests on a virtual display"
"$wineserver" --kill 2> /dev/null || true
xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" "$wine" "$build/tests/xiuyun_win32_tests.exe"
if [ -n "$pictures" ]; then
  mv "$work/window-analysed.png" "$pictures/windows-analysed.png"
  mv "$work/window-downloading.png" "$pictures/windows-downloading.png"
  echo "saved $pictures/windows-analysed.png and $pictures/windows-downloading.png"
fi
echo "== the sample downloads took $((SECONDS - started)) s"
