#!/usr/bin/env bash
# Builds the Windows program with MinGW-w64 and packs it twice: a 64-bit NSIS installer (Start-menu
# entry, uninstaller, Apps and features entry) and a portable zip, whose program keeps its data
# beside itself. Everything goes to build-windows/: xiuyun.exe, xiuyun-<version>-setup.exe and
# xiuyun-<version>-windows-x64.zip; scripts/test-installer.sh tries the last two under Wine.
# Arguments go to the configure step (-DXIUYUN_SITE_ROOT=https://<host>/ for the real site).
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$(bash scripts/windows-deps.sh build-windows)

cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DXIUYUN_MINGW_DEPS="$prefix" \
  -DCMAKE_BUILD_TYPE=Release -DXIUYUN_BUILD_TESTS=OFF -DXIUYUN_BUILD_BENCH=OFF "$@"
nice -n 10 cmake --build build-windows -j "$(nproc)" --target xiuyun
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/CMakeCache.txt)
exe=build-windows/xiuyun.exe
x86_64-w64-mingw32-strip -o "$exe" build-windows/src/xiuyun.exe

# Only the system's own DLLs may stand behind the program: nothing is shipped beside it.
if x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | grep -viE \
  '^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|shlwapi|ole32|oleaut32|uuid|advapi32|ws2_32|crypt32|bcrypt|secur32|msvcrt|uxtheme|dwmapi|imm32|version|winmm|rpcrt4|winhttp)\.dll$'; then
  echo "package-windows: the program needs the DLLs above" >&2
  exit 1
fi

makensis -V2 -DVERSION="$version" -DEXE="$PWD/$exe" -DOUTFILE="$PWD/build-windows/xiuyun-$version-setup.exe" \
  data/windows/xiuyun.nsi
zip_root=build-windows/zip/xiuyun-$version
rm -rf build-windows/zip "build-windows/xiuyun-$version-windows-x64.zip"
mkdir -p "$zip_root"
cp "$exe" "$zip_root/"
(cd build-windows/zip && zip -q -r "../xiuyun-$version-windows-x64.zip" "xiuyun-$version")
ls -l "$exe" "build-windows/xiuyun-$version-setup.exe" "build-windows/xiuyun-$version-windows-x64.zip"
