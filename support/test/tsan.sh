#!/usr/bin/env bash
# Builds the portable thread pool and worker thread component tests with ThreadSanitizer and runs
# them a few times.
# Usage: support/test/tsan.sh [runs]   (from the repository root; output in build/tsan)
set -euo pipefail
cd "$(dirname "$0")/../.."
exec scripts/tsan.sh support_thread_tests "${1:-3}" support/test/threadpool_test.cpp support/test/threadcomponent_test.cpp
