#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when one is missing, and the
# Chinese locale that gives Wine its ANSI code page 936.
set -euo pipefail

packages=(
  cmake ninja-build clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  zlib1g-dev libjpeg62-turbo-dev libcpp-httplib-dev googletest
  wine64 fonts-wine xvfb x11-utils imagemagick fonts-wqy-microhei locales
  dpkg-dev ccache
  # tclsh makes SQLite's one-file source for the cross-build of the test providers.
  tcl
  # Baselines of the benchmarks and oracles of the tests only; client.exe links none of them.
  nlohmann-json3-dev rapidjson-dev libpng-dev libxml2-dev libsqlite3-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  echo "generating the zh_CN.UTF-8 locale"
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
