#!/usr/bin/env bash
# Screenshots of the login-window layout made of the skinned controls: unskinned, as in the client,
# and under the window test skin.
# Usage: skin/controls/test/screenshot.sh [output.png [skinned-output.png]]
#        (default: out/skin-login.png and out/skin-login-skinned.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
SKIN_LOGIN_DEMO_SKINNED=0 "$root/scripts/screenshot.sh" skin_login_demo skin/controls/skin_login_demo.exe '加速器登录' \
  "${1:-$root/out/skin-login.png}"
SKIN_LOGIN_DEMO_SKINNED=1 "$root/scripts/screenshot.sh" skin_login_demo skin/controls/skin_login_demo.exe '加速器登录' \
  "${2:-$root/out/skin-login-skinned.png}"
