#!/usr/bin/env bash
# Screenshot of the login-window layout made of the skinned controls.
# Usage: skin/controls/test/screenshot.sh [output.png]   (default: out/skin-login.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
exec "$root/scripts/screenshot.sh" skin_login_demo skin/controls/skin_login_demo.exe '加速器登录' "${1:-$root/out/skin-login.png}"
