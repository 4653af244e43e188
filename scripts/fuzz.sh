#!/usr/bin/env bash
# Longer fuzzing runs than the smoke runs of ./test: every fuzz target for the given seconds each
# (default 60), or only the targets named after the seconds (e.g. core_fuzz_format). Builds the fuzz
# tree first; new inputs go to the scratch corpus in the build tree, the seeds in the tree are read.
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
  # The test's own command line names the scratch and seed folders.
  mapfile -t dirs < <(ctest -V -N -R "^fuzz\.$name\$" | sed -n 's/.*Test command: //p' | tr ' ' '\n' | grep '^/.*corpus')
  echo "fuzzing $name for ${seconds}s"
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "${dirs[@]}"
done
