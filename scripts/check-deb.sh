#!/usr/bin/env bash
# Checks the package that scripts/package-deb.sh built, without installing it: its control fields
# and files, the metainfo (appstreamcli), lintian, and the packaged program run from an extraction.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-packages.sh "checking the Debian package" appstream lintian

fail() {
  echo "check-deb: $*" >&2
  exit 1
}

shopt -s nullglob
debs=(build-deb/xiuyun_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one build-deb/xiuyun_*_amd64.deb, found ${#debs[@]}"
deb="${debs[0]}"
echo "== $deb ($(stat -c %s "$deb") bytes)"

dpkg-deb -I "$deb"
version="$(dpkg-deb -f "$deb" Version)"
[ "$(dpkg-deb -f "$deb" Package)" = xiuyun ] || fail "the package is not called xiuyun"
# An empty Depends means dpkg-shlibdeps never ran; the package would install and then not start.
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends does not name the Qt libraries"
changelogVersion="$(sed -n '1s/^xiuyun (\([^)]*\)).*/\1/p' data/debian/changelog)"
[ "$changelogVersion" = "$version" ] || fail "data/debian/changelog starts at $changelogVersion, the package is $version"
metainfo=data/org.xiuyun.xiuyun.metainfo.xml
grep -q "<release version=\"$version\"" "$metainfo" || fail "$metainfo has no release $version"

dpkg-deb -c "$deb"
contents="$(dpkg-deb -c "$deb" | awk '{ print $6 }')"
for path in ./usr/bin/xiuyun ./usr/share/applications/xiuyun.desktop \
  ./usr/share/icons/hicolor/scalable/apps/xiuyun.svg ./usr/share/metainfo/org.xiuyun.xiuyun.metainfo.xml \
  ./usr/share/man/man1/xiuyun.1.gz ./usr/share/doc/xiuyun/copyright ./usr/share/doc/xiuyun/changelog.gz; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done

root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root/tree"

echo "== appstreamcli"
appstreamcli validate --no-net "$root/tree/usr/share/metainfo/org.xiuyun.xiuyun.metainfo.xml"
appstreamcli validate-tree --no-net "$root/tree"

echo "== lintian"
# Warnings fail as errors do; lintian only grumbles about being run as root.
lintian --fail-on error,warning --info "$deb"

echo "== the packaged program"
# --help comes before any window, so it needs no display.
help="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/tree/usr/bin/xiuyun" --help)" ||
  fail "xiuyun --help failed"
grep -q -- '--no-window' <<<"$help" || fail "xiuyun --help does not describe --no-window"

# Beside ../share/applications/xiuyun.desktop the program knows it is installed and keeps its data in
# $XDG_DATA_HOME/xiuyun, never in the shared folder of binaries. An address of no known type ends
# the run at once.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$root/home" XDG_DATA_HOME="$root/home/data" \
  timeout 60 "$root/tree/usr/bin/xiuyun" --no-window --folder "$root/home/albums" \
  "http://www.gallery.test/no-such-page.html" >"$root/run.txt" 2>&1 || status=$?
[ "$status" -le 2 ] || { cat "$root/run.txt"; fail "the packaged program ended with $status"; }
[ -d "$root/home/data/xiuyun" ] || fail "the packaged program did not take \$XDG_DATA_HOME/xiuyun as its folder"
[ "$(ls -A "$root/tree/usr/bin")" = xiuyun ] || fail "the packaged program wrote into usr/bin"

echo "check-deb: $deb is sound"
