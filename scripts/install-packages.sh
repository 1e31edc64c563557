#!/usr/bin/env bash
# Installs the Debian packages named after the first argument, when any is missing: with apt-get
# as root; otherwise prints the install line and fails. The first argument says what needs them.
# Everything it prints goes to standard error, so callers keep their standard output.
# Usage: bash scripts/install-packages.sh "fuzzing" clang libclang-rt-14-dev
set -euo pipefail
purpose=$1
shift
missing=()
for package in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "$purpose needs these packages; install them with:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing for $purpose: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -q >&2
apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
