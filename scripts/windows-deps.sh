#!/usr/bin/env bash
# Provides the libraries of the Windows build: installs the MinGW-w64 cross compilers, zlib for
# MinGW, wine64 and nsis, then builds static PCRE2 (8-bit, JIT), libcurl (Schannel, HTTP and HTTPS
# only) and GoogleTest with GoogleMock from Debian's sources into one prefix under
# .cache/mingw-deps/, which later runs and builds reuse.
#
# Prints the prefix on standard output (everything else goes to standard error), so a build can
# take it with prefix=$(bash scripts/windows-deps.sh BUILD_DIR...). cmake/mingw-w64-x86_64.cmake
# finds it alone through the link .cache/mingw-deps/current. CMake keeps what pkg-config said of
# the libraries, so each build folder given forgets a configure made against other ones.
set -euo pipefail
shopt -s inherit_errexit

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
static_libs=$root/cmake/mingw-w64-static-libs.cmake
cache=$root/.cache/mingw-deps

say() { echo "windows-deps: $*" >&2; }

# The prefix, once every build folder given knows it.
hand_out_prefix() {
  local build
  for build in "${build_dirs[@]}"; do
    if [ "$(cat "$build/deps-prefix" 2> /dev/null)" != "$prefix" ]; then
      rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
      mkdir -p "$build"
      echo "$prefix" > "$build/deps-prefix"
    fi
  done
  echo "$prefix"
}
build_dirs=()
for build in "$@"; do
  build_dirs+=("$(realpath -m "$build")") # the builds below change folders
done

packages=(
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine64 nsis zip
  cmake make dpkg-dev googletest
)

bash "$root/scripts/install-packages.sh" "the Windows build" "${packages[@]}"

# The versions of a source package that apt offers, newest first; none when apt knows no source.
source_versions() {
  local version sorted=() i
  for version in $(apt-cache showsrc --only-source "$1" 2>/dev/null | awk '/^Version:/ { print $2 }'); do
    i=${#sorted[@]}
    while [ "$i" -gt 0 ] && dpkg --compare-versions "$version" gt "${sorted[i - 1]}"; do
      sorted[i]=${sorted[i - 1]}
      i=$((i - 1))
    done
    sorted[i]=$version
  done
  printf '%s\n' "${sorted[@]}" | awk '!seen[$0]++ && NF'
}

# Writes deb-src twins of the binary entries that come from the Debian archive, in the format of
# the file each was found in; the Release files tell which entries those are, so the machine's own
# configuration names the mirror.
write_source_entries() {
  local entries entry file number sources_out=$1 list_out=$2
  entries=$(apt-get indextargets --format '$(TARGET_OF) $(ORIGIN) $(SOURCESENTRY)' |
    awk '$1 == "deb" && $2 == "Debian" { print $3 }' | sort -u)
  [ -n "$entries" ] || return 1
  : > "$sources_out"
  : > "$list_out"
  for entry in $entries; do
    file=${entry%:*}
    number=${entry##*:}
    case $file in
      *.sources)
        # deb822: the number counts stanzas from 1; comment lines belong to none.
        awk -v want="$number" '
          /^[[:space:]]*#/ { next }
          /^[[:space:]]*$/ { inside = 0; next }
          {
            if (!inside) { inside = 1; stanza++; if (stanza == want && printed) print "" }
            if (stanza != want) next
            if ($0 ~ /^[^[:space:]]/) { field = tolower($0); sub(/:.*/, "", field) }
            if (field == "types") { if ($0 ~ /^[^[:space:]]/) print "Types: deb-src"; next }
            print; printed = 1
          }' "$file" >> "$sources_out"
        echo >> "$sources_out"
        ;;
      *)
        # One-line format: the number is the line.
        sed -n "${number}p" "$file" | sed -E 's/^[[:space:]]*deb([[:space:]])/deb-src\1/' >> "$list_out"
        ;;
    esac
  done
  [ -s "$sources_out" ] || rm -f "$sources_out"
  [ -s "$list_out" ] || rm -f "$list_out"
}

if [ -z "$(source_versions pcre2)" ] || [ -z "$(source_versions curl)" ]; then
  sources_file=/etc/apt/sources.list.d/xiuyun-deb-src.sources
  list_file=/etc/apt/sources.list.d/xiuyun-deb-src.list
  if [ "$(id -u)" -ne 0 ]; then
    say "apt knows no source packages: add a deb-src line for each deb line of the Debian archive"
    say "to the apt sources, run apt-get update, and run this script again"
    exit 1
  fi
  if ! write_source_entries "$sources_file.new" "$list_file.new"; then
    # No Release files yet, so no origins to go by.
    apt-get update -q >&2
    write_source_entries "$sources_file.new" "$list_file.new" || {
      say "no apt entry of the Debian archive found; cannot fetch source packages"
      exit 1
    }
  fi
  for file in "$sources_file" "$list_file"; do
    if [ -e "$file.new" ]; then
      mv "$file.new" "$file"
      say "added the deb-src entries of the Debian archive to $file:"
      sed 's/^/  /' "$file" >&2
    fi
  done
  apt-get update -q >&2
fi

pcre2_versions=$(source_versions pcre2)
curl_versions=$(source_versions curl)
httplib_versions=$(source_versions cpp-httplib)
if [ -z "$pcre2_versions" ] || [ -z "$curl_versions" ] || [ -z "$httplib_versions" ]; then
  say "apt still finds no source package of pcre2, curl or cpp-httplib"
  exit 1
fi

# Anything that changes the libraries changes the folder: this script, the toolchain files, the
# source versions on offer, CMake, the compilers and the MinGW runtime they link against.
key=$({
  cat "${BASH_SOURCE[0]}" "$toolchain" "$static_libs"
  echo "pcre2" $pcre2_versions
  echo "curl" $curl_versions
  echo "cpp-httplib" $httplib_versions
  dpkg-query -W -f='${Package} ${Version}\n' googletest libz-mingw-w64-dev mingw-w64-x86-64-dev \
    gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 cmake
} | sha256sum | cut -c1-16)
dir=$cache/$key
prefix=$dir/prefix

mkdir -p "$cache"
# One build at a time; a second run waits for the first and then finds everything in place.
exec 9> "$cache/.lock"
flock 9

if [ -e "$dir/complete" ]; then
  say "up to date: $(paste -sd' ' "$dir/versions")"
  # A cache carried along with a copy of the tree names its old place in its pkg-config files.
  built_at=$(cat "$dir/prefix-path" 2> /dev/null || true)
  if [ -n "$built_at" ] && [ "$built_at" != "$prefix" ]; then
    sed -i "s#$built_at#$prefix#g" "$prefix"/lib/pkgconfig/*.pc
    echo "$prefix" > "$dir/prefix-path"
  fi
  ln -sfn "$key" "$cache/current"
  hand_out_prefix
  exit 0
fi

say "building into $prefix"
work=$dir/work
logs=$dir/logs
mkdir -p "$work" "$logs" "$prefix"

# Runs a step with its output in a log, which is shown in part when the step fails.
logged() {
  local log=$1
  shift
  if ! "$@" >> "$log" 2>&1; then
    tail -n 40 "$log" >&2
    say "failed: $* (whole log: $log)"
    exit 1
  fi
}

# Configures, builds and installs one CMake project into the prefix.
build() {
  local name=$1 source=$2
  shift 2
  [ -e "$dir/$name.done" ] && return 0
  local start=$SECONDS log=$logs/$name.log
  : > "$log"
  rm -rf "$work/build-$name"
  say "building $name"
  logged "$log" nice -n 10 cmake -S "$source" -B "$work/build-$name" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DXIUYUN_MINGW_DEPS="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@"
  logged "$log" nice -n 10 cmake --build "$work/build-$name" -j2
  logged "$log" nice -n 10 cmake --install "$work/build-$name"
  touch "$dir/$name.done"
  say "built $name in $((SECONDS - start)) s"
}

# Fetches and unpacks a source package (Debian's patches applied), newest version first, and
# prints its folder. A mirror may lack the sources of a newer upload that it has the binaries of:
# then the next older version is built, loudly.
fetch() {
  local name=$1 versions=$2 version newest=${2%%$'\n'*} log=$logs/fetch-$1.log folder
  folder=$work/src-$name
  if [ -e "$folder/version" ]; then
    find "$folder" -mindepth 1 -maxdepth 1 -type d -name "$name-*" | head -n 1
    return 0
  fi
  for version in $versions; do
    rm -rf "$folder"
    mkdir -p "$folder"
    # _apt fetches into the folder when it may write there; root does otherwise, with a notice.
    chown _apt "$folder" 2> /dev/null || true
    if (cd "$folder" && apt-get source -q "$name=$version") >> "$log" 2>&1; then
      [ "$version" = "$newest" ] || say "WARNING: building $name $version; the sources of $newest could not be fetched (see $log)"
      echo "$version" > "$folder/version"
      find "$folder" -mindepth 1 -maxdepth 1 -type d -name "$name-*" | head -n 1
      return 0
    fi
    say "could not fetch the sources of $name $version"
  done
  tail -n 20 "$log" >&2
  exit 1
}

pcre2_source=$(fetch pcre2 "$pcre2_versions")
build pcre2 "$pcre2_source" \
  -DBUILD_STATIC_LIBS=ON \
  -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF \
  -DPCRE2_SUPPORT_JIT=ON -DPCRE2_SUPPORT_UNICODE=ON \
  -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF

curl_source=$(fetch curl "$curl_versions")
build curl "$curl_source" \
  -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
  -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF \
  -DHTTP_ONLY=ON \
  -DCURL_ZLIB=ON \
  -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_NGTCP2=OFF -DUSE_QUICHE=OFF -DUSE_MSH3=OFF \
  -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_USE_GSSAPI=OFF \
  -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF \
  -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none

build googletest /usr/src/googletest -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON

# The local test site and the sample gallery serve with cpp-httplib, used as the single header it
# is upstream (Debian's Linux package compiles it into a library), with zlib for its gzip and over
# plain HTTP: Windows has no OpenSSL here, and the client's TLS is Schannel's anyway.
httplib_source=$(fetch cpp-httplib "$httplib_versions")
install -D -m 644 "$httplib_source/httplib.h" "$prefix/include/httplib.h"
mkdir -p "$prefix/lib/pkgconfig"
cat > "$prefix/lib/pkgconfig/cpp-httplib.pc" << PC
prefix=$prefix
includedir=\${prefix}/include

Name: cpp-httplib
Description: A C++ header-only HTTP library
Version: $(cat "$work/src-cpp-httplib/version")
Cflags: -I\${includedir} -D_WIN32_WINNT=0x0A00 -DCPPHTTPLIB_ZLIB_SUPPORT
Libs: -lz -lws2_32 -lcrypt32
PC

# The CMake builds of PCRE2 and curl leave the static-library define out of their .pc files (the
# headers then declare every function dllimport, and nothing links), and curl names zlib by its
# full path, which pkg_check_modules passes as a link option ahead of the objects.
add_cflag() {
  grep -q -- "^Cflags:.* $2" "$1" || sed -i "/^Cflags:/s/\$/ $2/" "$1"
}
add_cflag "$prefix/lib/pkgconfig/libpcre2-8.pc" -DPCRE2_STATIC
add_cflag "$prefix/lib/pkgconfig/libpcre2-posix.pc" -DPCRE2_STATIC
add_cflag "$prefix/lib/pkgconfig/libcurl.pc" -DCURL_STATICLIB
sed -i -E 's#[^ ]*/libz\.a( |$)#-lz\1#g' "$prefix/lib/pkgconfig/libcurl.pc"
{
  echo "pcre2 $(cat "$work/src-pcre2/version")"
  echo "curl $(cat "$work/src-curl/version")"
  echo "cpp-httplib $(cat "$work/src-cpp-httplib/version")"
  dpkg-query -W -f='googletest ${Version}\n' googletest
} > "$dir/versions"
echo "$prefix" > "$dir/prefix-path"
touch "$dir/complete"
ln -sfn "$key" "$cache/current"
rm -rf "$work"
# Builds of an older script or older sources are of no further use.
find "$cache" -mindepth 1 -maxdepth 1 -type d ! -name "$key" -exec rm -rf {} +
say "done"
hand_out_prefix
