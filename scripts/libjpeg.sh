#!/usr/bin/env bash
# Cross-builds the static libjpeg (API version 62) for the Windows target from Debian's source
# package, into the cache folder; does nothing when the cached build is present.
set -euo pipefail
. "$(dirname "$0")/env.sh"

[ -f "$JPEG_PREFIX/lib/libjpeg.a" ] && [ -f "$JPEG_PREFIX/include/jpeglib.h" ] && exit 0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
apt_source libjpeg-turbo "$work/src"

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
