#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the window need, when any is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev
  libcurl4-openssl-dev libpcre2-dev zlib1g-dev libsystemd-dev
  libgtest-dev libgmock-dev libcpp-httplib-dev libssl-dev openssl libbenchmark-dev
  dbus-daemon python3-dbusmock
  xvfb xauth fonts-wqy-microhei
)

bash "$(dirname "$0")/install-packages.sh" xiuyun "${packages[@]}"
