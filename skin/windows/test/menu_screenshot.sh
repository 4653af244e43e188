#!/usr/bin/env bash
# Screenshot of a skinned form with its skinned popup menu open.
# Usage: skin/windows/test/menu_screenshot.sh [output.png]   (default: out/skin-menu.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
exec "$root/scripts/screenshot.sh" skin_menu_demo skin/windows/skin_menu_demo.exe 'Skinned menus' "${1:-$root/out/skin-menu.png}"
