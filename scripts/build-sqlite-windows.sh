#!/usr/bin/env bash
# Builds SQLite for 64-bit Windows from Debian's own sqlite3 source package (the version of the
# host's libsqlite3-dev) with the project's mingw-w64 compiler: the amalgamation is made from the
# source tree by its own tools, then compiled into a static library. Kept in a cache folder
# outside the tree, named by a hash of what went into it, and prints that folder; does nothing but
# print it when the folder is complete.
set -euo pipefail

source "$(dirname "$0")/debian-source.sh"
fail() { echo "build-sqlite-windows: $*" >&2; exit 1; }

host_version=$(dpkg-query -W -f='${Version}' libsqlite3-dev 2>/dev/null) ||
  fail "the host SQLite (libsqlite3-dev) is missing: run scripts/install-deps.sh"
version=${host_version%%-*}             # 3.40.1-2+deb12u2 -> 3.40.1
command -v tclsh >/dev/null || fail "tclsh (package tcl) makes the amalgamation: run scripts/install-deps.sh"

compiler=x86_64-w64-mingw32-gcc-posix
compiler_id=$($compiler --version 2>/dev/null | head -n 1) ||
  fail "the mingw-w64 compiler is missing: run scripts/install-deps.sh"
# The program loads no extensions; the history and the simulated machine need nothing else.
cflags=(-O2 -DSQLITE_OMIT_LOAD_EXTENSION -DSQLITE_DQS=0 -DSQLITE_DEFAULT_MEMSTATUS=0 -DSQLITE_WIN64=1)
key=$(printf '%s\n' "$host_version" "${cflags[@]}" "$compiler_id" | sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/prolamo
prefix=$cache/sqlite-windows-$version-$key
if [ -f "$prefix/.complete" ]; then
  (cd "$prefix" && sha256sum --quiet -c SHA256SUMS >&2) || fail "$prefix was changed since it was built; remove it"
  echo "$prefix"
  exit 0
fi

work=$cache/sqlite-windows-src
debian_source sqlite3 "$host_version" "$work"

# The amalgamation is made on the host: its generators (lemon, mkkeywordhash) run here.
mkdir -p "$work/host"
(cd "$work/host" && "$work/src/configure" --disable-tcl --disable-readline >&2 && make -j2 sqlite3.c >&2) ||
  fail "making the amalgamation failed"
grep -q "#define SQLITE_VERSION *\"$version\"" "$work/host/sqlite3.h" ||
  fail "the amalgamation is not SQLite $version"

echo "build-sqlite-windows: compiling SQLite $version into $prefix" >&2
rm -rf "$prefix"
mkdir -p "$prefix/include" "$prefix/lib"
$compiler "${cflags[@]}" -c "$work/host/sqlite3.c" -o "$work/sqlite3.o"
x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$work/sqlite3.o"
cp "$work/host/sqlite3.h" "$work/host/sqlite3ext.h" "$prefix/include/"
(cd "$prefix" && sha256sum include/sqlite3.h include/sqlite3ext.h lib/libsqlite3.a > SHA256SUMS)
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
