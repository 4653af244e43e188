#!/usr/bin/env bash
# Screenshot of the skin painters over "TestSkin".
# Usage: skin/engine/test/screenshot.sh [output.png]   (default: out/skin-paint.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
exec "$root/scripts/screenshot.sh" skin_paint_demo skin/engine/skin_paint_demo.exe 'Skin painters' "${1:-$root/out/skin-paint.png}"
