#!/bin/sh
# Builds the Debian package of a configured native build folder and checks what it holds:
# the programs in /usr/bin, their manual pages in section 1, and no other file.
# Usage: check_package.sh BUILD_DIR
set -eu

if [ "$#" -ne 1 ]; then
  echo "usage: check_package.sh BUILD_DIR" >&2
  exit 2
fi
if [ ! -f "$1/CPackConfig.cmake" ]; then
  echo "check_package.sh: $1 has no CPackConfig.cmake: not a native build folder configured by CMake" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
# cpack comes with cmake, dpkg-deb and dpkg-shlibdeps with dpkg-dev; cpack runs file to find
# the executables whose libraries dpkg-shlibdeps turns into the Depends field.
for tool in cpack dpkg-deb dpkg-shlibdeps file; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "check_package.sh: $tool is not installed" >&2
    exit 1
  fi
done

cmake --build "$build"
# A folder of its own, emptied first, so that exactly one package is found in it.
out="$build/package"
rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out"
set -- "$out"/flatebits_*.deb
if [ "$#" -ne 1 ] || [ ! -f "$1" ]; then
  echo "check_package.sh: expected one flatebits_*.deb in $out" >&2
  exit 1
fi
deb=$1

echo "== $deb"
dpkg-deb -f "$deb" Package Version Architecture Maintainer Depends
echo "== contents"
dpkg-deb -c "$deb"

failed=0
fail() {
  echo "check_package.sh: $*" >&2
  failed=1
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[ "$(dpkg-deb -f "$deb" Package)" = flatebits ] || fail "package name is not flatebits"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
[ -n "$(dpkg-deb -f "$deb" Depends)" ] || fail "no Depends field: dpkg-shlibdeps did not run"

# The path is the sixth column of dpkg-deb -c; directory entries (mode d...) are left out.
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }')
for program in rawinflate lztokens byteslice streamscan tokdeflate; do
  echo "$files" | grep -qx "\./usr/bin/$program" || fail "./usr/bin/$program is missing"
  echo "$files" | grep -qE "^\./usr/share/man/man1/$program\.1(\.gz)?$" ||
    fail "./usr/share/man/man1/$program.1 is missing"
done
unexpected=$(echo "$files" |
  grep -vE '^\./usr/(bin/(rawinflate|lztokens|byteslice|streamscan|tokdeflate)|share/man/man1/(rawinflate|lztokens|byteslice|streamscan|tokdeflate)\.1(\.gz)?)$' ||
  true)
[ -z "$unexpected" ] || fail "files that do not belong in the package:
$unexpected"

[ "$failed" -eq 0 ] || exit 1
echo "package $(basename "$deb") holds the programs and their manual pages"
