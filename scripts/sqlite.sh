#!/usr/bin/env bash
# Cross-builds a static SQLite for the Windows target from Debian's source package into the cache
# folder; does nothing when the cached build is present. Only the test providers link it.
set -euo pipefail
. "$(dirname "$0")/env.sh"

[ -f "$SQLITE_PREFIX/lib/libsqlite3.a" ] && [ -f "$SQLITE_PREFIX/include/sqlite3.h" ] && exit 0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
apt_source sqlite3 "$work/src"

# The package holds the separate sources; its own build makes the one-file amalgamation (with tclsh).
echo "cross-building SQLite"
mkdir gen
(cd gen && ../src/configure --disable-tcl >/dev/null && make sqlite3.c >/dev/null)
version=$(cat src/VERSION)
grep -q "^#define SQLITE_VERSION *\"$version\"" gen/sqlite3.h

x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION \
  -c gen/sqlite3.c -o sqlite3.o
x86_64-w64-mingw32-ar rcs libsqlite3.a sqlite3.o
# Installed whole or not at all, so that a run that failed half-way is not mistaken for a build.
mkdir -p stage/lib stage/include
cp libsqlite3.a stage/lib/
cp gen/sqlite3.h gen/sqlite3ext.h stage/include/
rm -rf "$SQLITE_PREFIX"
mkdir -p "$(dirname "$SQLITE_PREFIX")"
mv stage "$SQLITE_PREFIX"
echo "SQLite $version installed in $SQLITE_PREFIX"
