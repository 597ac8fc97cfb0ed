#!/usr/bin/env bash
# Builds a static Qt 6 for 64-bit Windows from Debian's qt6-base source package with the
# project's mingw-w64 toolchain, into a cache folder outside the tree, and prints that folder.
# Does nothing but print it when the folder is complete. Debian packages no Qt for Windows and
# its qt6-svg source is not served, so the Windows build has no Qt Svg.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$here/cmake/toolchains/mingw-w64-x86_64.cmake

source "$(dirname "$0")/debian-source.sh"
fail() { echo "build-qt-windows: $*" >&2; exit 1; }

host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null) ||
  fail "the host Qt (qt6-base-dev) is missing: run scripts/install-deps.sh"
qt_version=${host_version%%+*}          # 6.4.2+dfsg-10 -> 6.4.2

configure_args=(-release -static -opensource -confirm-license -qt-host-path /usr
  -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -no-feature-sql
  -no-feature-network -no-feature-printsupport -no-feature-concurrent -no-feature-xml
  -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre)
# Debian keeps the host Qt's CMake files under the multiarch folder; its source lacks wintab.
cmake_args=(-DQT_HOST_PATH_CMAKE_DIR=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake -DFEATURE_tabletevent=OFF)

compiler=$(x86_64-w64-mingw32-g++-posix --version 2>/dev/null | head -n 1) ||
  fail "the mingw-w64 compiler is missing: run scripts/install-deps.sh"
key=$(printf '%s\n' "$qt_version" "${configure_args[@]}" "${cmake_args[@]}" "$compiler" |
  sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/prolamo
prefix=$cache/qt-windows-$qt_version-$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

work=$cache/qt-windows-src
debian_source qt6-base "$host_version" "$work"

build=$work/build
mkdir -p "$build"
cd "$build"
echo "build-qt-windows: configuring Qt $qt_version into $prefix" >&2
"$work/src/configure" -prefix "$prefix" "${configure_args[@]}" -- \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${cmake_args[@]}" >&2
cmake --build . --parallel "$(nproc)" >&2
cmake --install . >&2
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
