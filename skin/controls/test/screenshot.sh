#!/usr/bin/env bash
# Builds the login-window layout made of the skinned controls, runs it under Wine on the
# project's X display (Xvfb when there is none) and takes a screenshot of the whole screen.
# Usage: skin/controls/test/screenshot.sh [output.png]   (default: out/skin-login.png)
set -euo pipefail
cd "$(dirname "$0")/../../.."
ROOT=$PWD
out=${1:-$ROOT/out/skin-login.png}
mkdir -p "$(dirname "$out")"

scripts/setup.sh >/dev/null
. scripts/env.sh
export DISPLAY=${DISPLAY:-$CLIENT_XVFB_DISPLAY}
xdpyinfo >/dev/null 2>&1 || export DISPLAY=$CLIENT_XVFB_DISPLAY
[ -f "$BUILD/win/build.ninja" ] || scripts/build.sh win
cmake --build "$BUILD/win" --target skin_login_demo -- --quiet

wine_exec "$BUILD/win/skin/controls/skin_login_demo.exe" 6 </dev/null >/dev/null 2>&1 &
demo=$!
# Wait for the demo's window, then give it a moment to paint.
for _ in $(seq 50); do
  xwininfo -root -tree 2>/dev/null | grep -q '加速器登录' && break
  sleep 0.2
done
sleep 1.5
import -window root "$out"
wait "$demo" || true
echo "screenshot: $out"
