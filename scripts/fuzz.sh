#!/usr/bin/env bash
# Longer fuzzing runs than the smoke runs of ./test: every fuzz target for the given seconds each
# (default 60), or only the targets named after the seconds. Builds the fuzz tree first.
set -euo pipefail
. "$(dirname "$0")/env.sh"
seconds=${1:-60}; shift || true
"$ROOT/scripts/build.sh" fuzz
cd "$BUILD/fuzz"
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  mapfile -t names < <(ctest -N | sed -n 's/.*Test *#[0-9]*: fuzz\.//p')
fi
for name in "${names[@]}"; do
  exe=$(find . -type f -name "$name" -perm -u+x | head -1)
  [ -n "$exe" ] || { echo "no fuzz target $name" >&2; exit 2; }
  seeds=$(find "$ROOT" -path "*/test/corpus/$name" -type d | head -1)
  echo "fuzzing $name for ${seconds}s"
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "$(dirname "$exe")/corpus-$name" ${seeds:+"$seeds"}
done
