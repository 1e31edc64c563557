#!/usr/bin/env bash
# Builds the Debian package build-deb/xiuyun_<version>_amd64.deb: a Release build of the program
# alone, with Debian's hardening flags, in a folder of its own. Arguments go to the configure
# step, for instance -DXIUYUN_SITE_ROOT=https://<host>/ for a package of the real site.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# dpkg-shlibdeps (dpkg-dev), which CPack runs on the binary to find its Depends, looks at it with file.
bash scripts/install-packages.sh "the Debian package" dpkg-dev file

# CMake takes no CPPFLAGS for C++, so the preprocessor's share (_FORTIFY_SOURCE) joins CXXFLAGS.
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"

# The site root starts from its default on every run, so a package for the real site is made only
# when asked for, not left behind by an earlier one.
cmake -S . -B build-deb -UXIUYUN_SITE_ROOT -DCMAKE_BUILD_TYPE=Release \
  -DXIUYUN_BUILD_TESTS=OFF -DXIUYUN_BUILD_BENCH=OFF -DXIUYUN_BUILD_FUZZ=OFF -DXIUYUN_BUILD_GUI=ON \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" "$@"
nice -n 10 cmake --build build-deb -j "$(nproc)"
rm -f build-deb/xiuyun_*.deb
(cd build-deb && cpack -G DEB)
ls build-deb/xiuyun_*.deb
