# Shared settings of the build and test scripts; sourced, never run.
# Everything that outlives a build (cross-built libraries, the Wine prefix) lives in the cache
# folder outside the work tree so that a fresh clone reuses it.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CACHE=${CLIENT_CACHE:-$HOME/.cache/vpnclient}
BUILD=${CLIENT_BUILD:-$ROOT/build}
JPEG_PREFIX=$CACHE/libjpeg-mingw

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
export WINEPREFIX=${WINEPREFIX:-$CACHE/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No downloads of Wine's .NET or browser engines (there is no network); our simulated
# remote-access library replaces Wine's stub when it sits beside the program.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=;rasapi32=n}
CLIENT_XVFB_DISPLAY=${CLIENT_XVFB_DISPLAY:-:97}

# The users' machines run the Chinese ANSI code page; Wine takes it from the locale.
wine_exec() {
  env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 DISPLAY="${DISPLAY:-$CLIENT_XVFB_DISPLAY}" "$WINE" "$@"
}

# Makes sure one persistent Wine server runs. A server started here gets the prefix booted at once,
# with every standard stream detached: a Wine service process that inherits a caller's pipes (ctest's)
# keeps that caller waiting for ever.
wine_server_up() {
  if "$WINESERVER" -p </dev/null >/dev/null 2>&1; then
    wine_exec cmd /c exit </dev/null >/dev/null 2>&1
  fi
  return 0
}
