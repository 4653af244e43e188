#!/usr/bin/env bash
# The database layer's background threads (pool validator, monitor sender) under ThreadSanitizer:
# three runs of the test binary, which itself repeats its cases three times and stops at the first
# report. Builds with at most three jobs unless CMAKE_BUILD_PARALLEL_LEVEL says otherwise.
set -euo pipefail
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-3}
exec "$(dirname "$0")/../../../scripts/tsan.sh" 3 -R '^tsan\.data_access$'
