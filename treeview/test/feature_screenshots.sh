#!/usr/bin/env bash
# Screenshots of the tree's pop-up features on the node list: out/tree-tooltip.png,
# out/tree-editor.png and out/tree-print-page.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
for mode in tooltip editor print; do
  name=$mode
  [ "$mode" = print ] && name=print-page
  TREE_DEMO_MODE=$mode "$root/scripts/screenshot.sh" tree_features_demo treeview/tree_features_demo.exe \
    '树控件功能演示' "$root/out/tree-$name.png"
done
