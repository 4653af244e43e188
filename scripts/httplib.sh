#!/usr/bin/env bash
# Puts the single-header HTTP library into the cache folder. Debian's libcpp-httplib-dev ships the
# header split from its implementation (which lives in a native shared library), so the Windows build
# could not use it; the source package holds the whole header with Debian's patches applied. Does
# nothing when the cached header is present.
set -euo pipefail
. "$(dirname "$0")/env.sh"

dest=$CACHE/cpp-httplib
[ -f "$dest/httplib.h" ] && exit 0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
apt_source cpp-httplib "$work/src"
# The whole header has the implementation inline; the split one only declares it.
grep -q 'inline void Server::stop()' src/httplib.h
mkdir -p "$dest"
cp src/httplib.h src/LICENSE "$dest/"
echo "cpp-httplib header installed in $dest"
