#!/usr/bin/env bash
# The Windows installer and the portable zip of build-windows/ (scripts/package-windows.sh) as a
# user meets them, under wine64 in a fresh Wine prefix: a silent install puts the program, its
# uninstaller, the Start-menu entries and the uninstall key in place; the installed program
# downloads the sample category, every image byte for byte what the Linux program in build/ saves,
# and keeps images, cache and history in %LOCALAPPDATA%\xiuyun with nothing new under Program
# Files; a second install over the first (an update) keeps that data and the history; a silent
# uninstall removes the program, the entries and the key and keeps the data; the portable program,
# unpacked elsewhere, keeps its data beside itself.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/CMakeCache.txt 2> /dev/null || true)
installer=$PWD/build-windows/xiuyun-$version-setup.exe
zip=$PWD/build-windows/xiuyun-$version-windows-x64.zip
linux_program=$PWD/build/src/xiuyun

fail() {
  echo "test-installer: $*" >&2
  exit 1
}
if [ -z "$version" ] || [ ! -f "$installer" ] || [ ! -f "$zip" ]; then
  fail "pack the Windows program first (scripts/package-windows.sh)"
fi
[ -x "$linux_program" ] || fail "build the Linux program in build/ first"

# Kept after the run, for a look at what went wrong.
work=$PWD/build-windows/installer-test
# The installer's shortcuts would otherwise become menu entries of the desktop outside Wine.
export WINEPREFIX=$work/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
"$wineserver" --kill 2> /dev/null || true
rm -rf "$work"
mkdir -p "$WINEPREFIX"

category=http://www.gallery.test/t/xinggan/
search=http://www.gallery.test/search/%E5%A4%8F%E6%97%A5/
# The Linux program's downloads to compare with, each in a portable folder of its own, fetched
# while Wine works.
linux_downloads=()
trap '"$wineserver" --kill 2> /dev/null || true; kill "${linux_downloads[@]}" 2> /dev/null || true' EXIT
for type in category search; do
  mkdir "$work/linux-$type"
  cp "$linux_program" "$work/linux-$type/"
  "$work/linux-$type/xiuyun" --no-window --type "$type" "${!type}" > "$work/linux-$type.log" 2>&1 &
  linux_downloads+=($!)
done

# Its notes on the first start (no 32-bit part, a working folder made later) are expected.
"$wine" wineboot.exe --init 2> /dev/null

windows_variable() { "$wine" cmd.exe /c echo "%$1%" | tr -d '\r'; }
unix_path() { "$wine" winepath.exe -u "$1" | tr -d '\r'; }
drive_c=$(unix_path "C:\\")
installed=$(unix_path 'C:\Program Files\xiuyun')
data=$(unix_path "$(windows_variable LOCALAPPDATA)\\xiuyun")
start_menu=$(unix_path "$(windows_variable ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs\\xiuyun")
program_shortcut=$start_menu/岫云阁_下载.lnk
uninstall_shortcut=$start_menu/卸载\ xiuyun.lnk
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\xiuyun'

# Every file below a folder with its checksum, paths from that folder.
checksums() {
  (cd "$1" && find . -type f ! -name .work.lock -print0 | sort -z | xargs -0 -r md5sum)
}
# Every image below a folder, the same way.
images() {
  (cd "$1" && find . -type f \( -name '*.jpg' -o -name '*.png' -o -name '*.gif' -o -name '*.webp' \) -print0 |
    sort -z | xargs -0 -r md5sum)
}
same_images() { # what, folder, the Linux folder
  local count
  images "$2" > "$work/$1.images"
  images "$3" > "$work/$1.linux-images"
  count=$(wc -l < "$work/$1.images")
  if [ "$count" -eq 0 ] || ! diff -u "$work/$1.linux-images" "$work/$1.images"; then
    fail "the images of $1 differ from those of the Linux program"
  fi
  echo "$1: $count images, each byte for byte the Linux program's"
}
# Everything under both Program Files folders, with sizes and times.
program_files() {
  (cd "$drive_c" && find "Program Files" "Program Files (x86)" -printf '%p %s %T@\n' | sort)
}
# The value of the uninstall key in the 64-bit view.
uninstall_value() {
  "$wine" reg.exe query "$uninstall_key" /reg:64 /v "$1" | tr -d '\r' |
    sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
# The installer or the uninstaller silently; the uninstaller hands its work to a copy of itself
# in the temporary folder and returns at once, so both are waited for through the server.
run_silently() {
  "$wine" "$@" /S || fail "$* /S failed"
  "$wineserver" -w
}
check_installed() {
  local name lnk
  cmp -s "$installed/xiuyun.exe" build-windows/xiuyun.exe || fail "no installed program in $installed"
  [ -f "$installed/uninstall.exe" ] || fail "no uninstaller beside the installed program"
  [ ! -e "$drive_c/Program Files (x86)/xiuyun" ] || fail "the installer used the 32-bit Program Files"
  for lnk in "$program_shortcut:xiuyun.exe" "$uninstall_shortcut:uninstall.exe"; do
    name=${lnk%:*}
    [ -f "$name" ] || fail "no Start-menu entry $name"
    strings -a "$name" > "$work/shortcut.strings"
    grep -qxF "C:\\Program Files\\xiuyun\\${lnk##*:}" "$work/shortcut.strings" ||
      fail "the Start-menu entry $name does not lead to ${lnk##*:}"
  done
  [ "$(uninstall_value DisplayVersion)" = "$version" ] || fail "the uninstall key is not that of version $version"
  [ "$(uninstall_value UninstallString)" = '"C:\Program Files\xiuyun\uninstall.exe"' ] ||
    fail "the uninstall key names another uninstaller"
  [ "$(uninstall_value QuietUninstallString)" = '"C:\Program Files\xiuyun\uninstall.exe" /S' ] ||
    fail "the uninstall key names no silent uninstall"
  [ "$(uninstall_value DisplayIcon)" = 'C:\Program Files\xiuyun\xiuyun.exe,0' ] ||
    fail "the uninstall key shows another icon"
  if [ -z "$(uninstall_value Publisher)" ] || [ -z "$(uninstall_value DisplayName)" ]; then
    fail "the uninstall key has no name or publisher"
  fi
  if "$wine" reg.exe query "$uninstall_key" /reg:32 > /dev/null 2>&1; then
    fail "the uninstall key is in the 32-bit view of the registry"
  fi
}

echo "== install"
run_silently "$installer"
check_installed
echo "the program, its uninstaller, the Start-menu entries and the uninstall key are in place"

echo "== the installed program downloads the sample category"
# History is kept once vrd/c_x.q exists; a user creates it empty.
mkdir -p "$data/vrd"
: > "$data/vrd/c_x.q"
program_files > "$work/program-files.before"
"$wine" 'C:\Program Files\xiuyun\xiuyun.exe' --no-window --type category "$category" > "$work/installed.log" 2>&1 ||
  { cat "$work/installed.log" >&2; fail "the installed program's download failed"; }
for pid in "${linux_downloads[@]}"; do
  wait "$pid" || fail "the Linux program's downloads failed"
done
linux_downloads=()
same_images "the installed program" "$data" "$work/linux-category"
[ -s "$data/vrd/c_x.q" ] || fail "no history in $data/vrd"
[ -f "$data/vrd/t_j.q" ] || fail "no analysis cache in $data/vrd"
program_files > "$work/program-files.after"
diff -u "$work/program-files.before" "$work/program-files.after" || fail "the program wrote under Program Files"
echo "its images, cache and history are in %LOCALAPPDATA%\\xiuyun; nothing new under Program Files"

echo "== install again over it"
checksums "$data" > "$work/data.before"
run_silently "$installer"
check_installed
checksums "$data" | diff -u "$work/data.before" - || fail "the update changed the user's data"
# The updated program still finds its history: the address is known, and no image is fetched again.
if "$wine" 'C:\Program Files\xiuyun\xiuyun.exe' --no-window --type category "$category" > "$work/again.log" 2>&1; then
  fail "the updated program downloaded the known address again"
fi
grep -q "曾被下载过" "$work/again.log" || { cat "$work/again.log" >&2; fail "the updated program lost its history"; }
checksums "$data" | diff -u "$work/data.before" - || fail "the updated program changed the user's data"
echo "the update kept the data, and its history still knows the address"

echo "== uninstall"
run_silently 'C:\Program Files\xiuyun\uninstall.exe'
[ ! -e "$installed" ] || fail "the uninstaller left $installed"
[ ! -e "$start_menu" ] || fail "the uninstaller left the Start-menu entries"
if "$wine" reg.exe query "$uninstall_key" /reg:64 > /dev/null 2>&1; then
  fail "the uninstaller left the uninstall key"
fi
if "$wine" reg.exe query 'HKLM\Software\xiuyun' /reg:64 > /dev/null 2>&1; then
  fail "the uninstaller left the program's key"
fi
checksums "$data" | diff -u "$work/data.before" - || fail "the uninstaller changed the user's data"
echo "the program, its entries and its keys are gone; the user's data stays"

echo "== the portable program"
portable=$work/portable
mkdir "$portable"
(cd "$portable" && cmake -E tar xf "$zip")
checksums "$data" > "$work/data.before"
"$wine" "$portable/xiuyun-$version/xiuyun.exe" --no-window --type search "$search" > "$work/portable.log" 2>&1 ||
  { cat "$work/portable.log" >&2; fail "the portable program's download failed"; }
same_images "the portable program" "$portable/xiuyun-$version" "$work/linux-search"
[ -f "$portable/xiuyun-$version/vrd/t_j.q" ] || fail "the portable program keeps no cache beside itself"
checksums "$data" | diff -u "$work/data.before" - || fail "the portable program wrote into %LOCALAPPDATA%\\xiuyun"
[ ! -e "$installed" ] || fail "the portable program wrote under Program Files"
echo "the portable program keeps its data beside itself"
echo "installer: $(stat -c %s "$installer") bytes"
