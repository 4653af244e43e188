#!/usr/bin/env bash
# Screenshots of the skinned demo form, with the system's frame metrics and with extended borders.
# Usage: skin/windows/test/screenshot.sh [output-dir]   (default: out/)
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
dir=${1:-$root/out}
"$root/scripts/screenshot.sh" skin_form_demo skin/windows/skin_form_demo.exe 'Skinned form' "$dir/skin-form.png"
SKIN_FORM_EXTBORDERS=1 "$root/scripts/screenshot.sh" skin_form_demo skin/windows/skin_form_demo.exe 'Skinned form' \
  "$dir/skin-form-extborders.png"
