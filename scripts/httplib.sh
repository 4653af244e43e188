#!/usr/bin/env bash
# Puts the single-header HTTP library into the cache folder. Debian's libcpp-httplib-dev ships the
# header split from its implementation (which lives in a native shared library), so the Windows build
# could not use it; the source package holds the whole header with Debian's patches applied. Does
# nothing when the cached header is present.
set -euo pipefail
. "$(dirname "$0")/env.sh"

dest=$CACHE/cpp-httplib
[ -f "$dest/httplib.h" ] && exit 0

# apt-get source needs a deb-src line for the mirror the machine already uses.
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  uri=$(grep -rhoE '^URIs:[[:space:]]*\S+' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1 | awk '{print $2}')
  suite=$(grep -rhoE '^Suites:[[:space:]]*\S+' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1 | awk '{print $2}')
  if [ -z "$uri" ]; then
    read -r _ uri suite _ < <(grep -hE '^deb[[:space:]]' /etc/apt/sources.list 2>/dev/null | head -1)
  fi
  uri=${uri:-http://deb.debian.org/debian}
  suite=${suite:-$(. /etc/os-release && echo "$VERSION_CODENAME")}
  echo "adding deb-src for $uri $suite"
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$uri" "$suite" > /etc/apt/sources.list.d/client-deb-src.sources
  apt-get update -qq
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "fetching the cpp-httplib source package"
apt-get source -qq --download-only cpp-httplib >/dev/null 2>&1 || { apt-get update -qq; apt-get source -qq --download-only cpp-httplib >/dev/null; }
dpkg-source -x --no-check ./*.dsc src >/dev/null
# The whole header has the implementation inline; the split one only declares it.
grep -q 'inline void Server::stop()' src/httplib.h
mkdir -p "$dest"
cp src/httplib.h src/LICENSE "$dest/"
echo "cpp-httplib header installed in $dest"
