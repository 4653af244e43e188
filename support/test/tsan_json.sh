#!/usr/bin/env bash
# Builds the JSON library's thread test with ThreadSanitizer and runs it a few times.
# Usage: support/test/tsan_json.sh [runs]   (from the repository root; output in build/tsan)
set -euo pipefail
cd "$(dirname "$0")/../.."
exec scripts/tsan.sh support_json_tests "${1:-3}" $(ls support/json*.cpp | grep -v _win32) support/test/jsonthreads_test.cpp
