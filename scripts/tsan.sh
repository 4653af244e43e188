#!/usr/bin/env bash
# Builds the thread tests under ThreadSanitizer (the tsan build tree, which ./test also builds and
# runs) and runs them more often than ./test does, to catch races that show in few runs.
# Usage: scripts/tsan.sh [RUNS] [CTEST ARGUMENTS...]
set -euo pipefail
. "$(dirname "$0")/env.sh"
runs=${1:-10}
shift || true
"$ROOT/scripts/build.sh" tsan
exec ctest --test-dir "$BUILD/tsan" --output-on-failure --repeat until-fail:"$runs" "$@"
