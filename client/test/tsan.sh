#!/usr/bin/env bash
# Builds the batch latency test's portable tests (core and tree side) with ThreadSanitizer and runs
# them a few times.
# Usage: client/test/tsan.sh [runs]   (from the repository root; output in build/tsan)
set -euo pipefail
cd "$(dirname "$0")/../.."
exec scripts/tsan.sh client_batch_tests "${1:-3}" $(ls treeview/*.cpp | grep -v -E '_win32|recording_port') \
  client/batchtest.cpp client/test/batchtest_test.cpp client/test/batchtree_test.cpp
