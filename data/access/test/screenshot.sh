#!/usr/bin/env bash
# Screenshot of a connection's login dialog with a user name and a server history.
# Usage: data/access/test/screenshot.sh [output.png]   (default: out/connect-dialog.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
exec "$root/scripts/screenshot.sh" connect_dialog_demo data/access/connect_dialog_demo.exe 'Connect' "${1:-$root/out/connect-dialog.png}"
