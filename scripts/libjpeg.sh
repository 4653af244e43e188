#!/usr/bin/env bash
# Cross-builds the static libjpeg (API version 62) for the Windows target from Debian's source
# package, into the cache folder; does nothing when the cached build is present.
set -euo pipefail
. "$(dirname "$0")/env.sh"

[ -f "$JPEG_PREFIX/lib/libjpeg.a" ] && [ -f "$JPEG_PREFIX/include/jpeglib.h" ] && exit 0

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
echo "fetching the libjpeg-turbo source package"
apt-get source -qq --download-only libjpeg-turbo >/dev/null 2>&1 || { apt-get update -qq; apt-get source -qq --download-only libjpeg-turbo >/dev/null; }
dpkg-source -x --no-check ./*.dsc src >/dev/null

echo "cross-building libjpeg"
cmake -S src -B build -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$JPEG_PREFIX" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_JPEG8=OFF -DWITH_JPEG7=OFF \
  -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF -DWITH_JAVA=OFF -Wno-dev >/dev/null
cmake --build build --target jpeg-static >/dev/null
mkdir -p "$JPEG_PREFIX/lib" "$JPEG_PREFIX/include"
cp build/libjpeg.a "$JPEG_PREFIX/lib/libjpeg.a"
cp src/jpeglib.h src/jmorecfg.h src/jerror.h build/jconfig.h "$JPEG_PREFIX/include/"
grep -q 'JPEG_LIB_VERSION *62' "$JPEG_PREFIX/include/jconfig.h"
echo "libjpeg installed in $JPEG_PREFIX"
