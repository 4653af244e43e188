# Shared settings of the build and test scripts; sourced, never run.
# Everything that outlives a build (cross-built libraries, the Wine prefix) lives in the cache
# folder outside the work tree so that a fresh clone reuses it.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CACHE=${CLIENT_CACHE:-$HOME/.cache/vpnclient}
BUILD=${CLIENT_BUILD:-$ROOT/build}
JPEG_PREFIX=$CACHE/libjpeg-mingw
SQLITE_PREFIX=$CACHE/sqlite-mingw
# Compiler cache shared by every clone of the tree: paths below the parent folder hash alike.
export CCACHE_DIR=${CCACHE_DIR:-$CACHE/ccache}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$ROOT")}
export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-8G}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
export WINEPREFIX=${WINEPREFIX:-$CACHE/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No downloads of Wine's .NET or browser engines (there is no network); our simulated
# remote-access library replaces Wine's stub when it sits beside the program.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=;rasapi32=n}
CLIENT_XVFB_DISPLAY=${CLIENT_XVFB_DISPLAY:-:97}

# Makes sure an X display answers: the caller's, or our own Xvfb on CLIENT_XVFB_DISPLAY (left
# running for the next command). Exports DISPLAY; fails when Xvfb does not come up.
display_up() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  export DISPLAY=$CLIENT_XVFB_DISPLAY
  if ! xdpyinfo >/dev/null 2>&1; then
    setsid Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start on $DISPLAY" >&2; return 1; }
  fi
}

# The users' machines run the Chinese ANSI code page; Wine takes it from the locale.
wine_exec() {
  env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 DISPLAY="${DISPLAY:-$CLIENT_XVFB_DISPLAY}" "$WINE" "$@"
}

# Makes sure one persistent Wine server runs. A server started here gets the prefix booted at once,
# with every standard stream detached: a Wine service process that inherits a caller's pipes (ctest's)
# keeps that caller waiting for ever.
wine_server_up() {
  "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true
  # Boot the prefix from here whether or not the server was already up: a server left running
  # without its services would otherwise start them from inside the first test.
  wine_exec cmd /c exit </dev/null >/dev/null 2>&1 || true
  return 0
}

# Unpacks Debian's source package $1 into folder $2 (which must not exist yet), adding a deb-src entry
# for the mirror the machine already uses when there is none.
apt_source() {
  local package=$1 dest=$2
  if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    local uri suite
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
  echo "fetching the $package source package"
  local download
  download=$(mktemp -d)
  (cd "$download" &&
    { apt-get source -qq --download-only "$package" >/dev/null 2>&1 ||
      { apt-get update -qq && apt-get source -qq --download-only "$package" >/dev/null; }; } &&
    dpkg-source -x --no-check ./*.dsc "$dest" >/dev/null)
  local status=$?
  rm -rf "$download"
  return $status
}
