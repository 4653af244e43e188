#!/usr/bin/env bash
# Builds one Windows demo program, runs it under Wine on the project's X display (Xvfb when there is
# none), waits for its window and takes a screenshot of the whole screen.
# Usage: scripts/screenshot.sh TARGET EXE-IN-BUILD-TREE WINDOW-TITLE OUTPUT.png
# The demo is given 6 (seconds to stay open) as its argument.
set -euo pipefail
target=$1 exe=$2 title=$3 out=$4
cd "$(dirname "$0")/.."
mkdir -p "$(dirname "$out")"

scripts/setup.sh >/dev/null
. scripts/env.sh
export DISPLAY=${DISPLAY:-$CLIENT_XVFB_DISPLAY}
xdpyinfo >/dev/null 2>&1 || export DISPLAY=$CLIENT_XVFB_DISPLAY
[ -f "$BUILD/win/build.ninja" ] || scripts/build.sh win
cmake --build "$BUILD/win" --target "$target" -- --quiet

wine_exec "$BUILD/win/$exe" 6 </dev/null >/dev/null 2>&1 &
demo=$!
# Wait for the demo's window, then give it a moment to paint.
for _ in $(seq 50); do
  xwininfo -root -tree 2>/dev/null | grep -q "$title" && break
  sleep 0.2
done
sleep 1.5
import -window root "$out"
wait "$demo" || true
echo "screenshot: $out"
