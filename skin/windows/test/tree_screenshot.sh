#!/usr/bin/env bash
# Screenshot of the node list on a form skinned with the virtual tree wrapper's test skin.
# Usage: skin/windows/test/tree_screenshot.sh [output.png]   (default: out/skin-tree.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
exec "$root/scripts/screenshot.sh" skin_tree_demo skin/windows/skin_tree_demo.exe '皮肤节点列表' "${1:-$root/out/skin-tree.png}"
