#!/usr/bin/env bash
# Everything the build and the tests need on this machine: packages, the cross-built libjpeg and
# SQLite, the Wine prefix, an X display and the Wine server. Each step is skipped when already done.
set -euo pipefail
here=$(dirname "$0")
if [ "$(id -u)" -ne 0 ] && ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  echo "the first run installs Debian packages and needs root" >&2
  exit 1
fi
"$here/packages.sh"
"$here/libjpeg.sh"
"$here/sqlite.sh"
"$here/httplib.sh"
"$here/wine.sh"
