#!/usr/bin/env bash
# Screenshot of the demo form (one of every control kind, Chinese captions).
# Usage: ui/test/screenshot.sh [output.png]   (default: out/ui-demo.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exec "$root/scripts/screenshot.sh" ui_demo ui/ui_demo.exe '控件演示' "${1:-$root/out/ui-demo.png}"
