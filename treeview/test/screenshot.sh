#!/usr/bin/env bash
# Screenshot of the node list demo (40 rows with colour bands and the sort glyph).
# Usage: treeview/test/screenshot.sh [output.png]   (default: out/tree-demo.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exec "$root/scripts/screenshot.sh" tree_demo treeview/tree_demo.exe '节点列表演示' "${1:-$root/out/tree-demo.png}"
