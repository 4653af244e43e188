#!/usr/bin/env bash
# Screenshots of the client's login window and of its main window after the login, with the
# substitute service in-process (client_shots.exe): out/client-login.png and out/client-main.png.
set -euo pipefail
cd "$(dirname "$0")/../.."
. scripts/env.sh
export DISPLAY=${DISPLAY:-$CLIENT_XVFB_DISPLAY}
xdpyinfo >/dev/null 2>&1 || export DISPLAY=$CLIENT_XVFB_DISPLAY
mkdir -p out
cmake --build "$BUILD/win" --target client_shots -- --quiet
wine_server_up
wine_exec "$BUILD/win/client/client_shots.exe" 16 </dev/null >/dev/null 2>&1 &
shots=$!
for _ in $(seq 50); do
  xwininfo -root -tree 2>/dev/null | grep -q "客户端" && break
  sleep 0.2
done
sleep 3.5
import -window root out/client-login.png
sleep 8
import -window root out/client-main.png
wait "$shots" || true
echo "screenshots: out/client-login.png out/client-main.png"
