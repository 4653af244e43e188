#!/usr/bin/env bash
# Screenshot of the drag demo (a drag image held over the second tree with its drop mark).
# Usage: treeview/test/drag_screenshot.sh [output.png]   (default: out/tree-drag.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exec "$root/scripts/screenshot.sh" tree_drag_demo treeview/tree_drag_demo.exe '拖放演示' "${1:-$root/out/tree-drag.png}"
