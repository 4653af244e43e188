#!/usr/bin/env bash
# Builds the batch latency test's portable tests (core and tree side) with ThreadSanitizer (the host tree uses
# AddressSanitizer, which cannot be combined with it) and runs them a few times.
# Usage: client/test/tsan.sh [runs]   (from the repository root; output in build/tsan)
set -euo pipefail
cd "$(dirname "$0")/../.."
out=build/tsan
mkdir -p "$out"
gtest=/usr/src/googletest/googletest
g++ -std=c++20 -O1 -g -fsanitize=thread -I. -I"$gtest/include" -I"$gtest" \
  $(ls core/*.cpp | grep -v _win32) \
  support/threadpool.cpp support/threadcomponent.cpp support/threadcomponent_host.cpp support/extcomponent.cpp \
  ui/messagebox.cpp ui/messagebox_host.cpp \
  $(ls treeview/*.cpp | grep -v -E '_win32|recording_port') \
  client/batchtest.cpp client/test/batchtest_test.cpp client/test/batchtree_test.cpp \
  "$gtest/src/gtest-all.cc" "$gtest/src/gtest_main.cc" -lpthread -o "$out/client_batch_tests"
for ((i = 0; i < ${1:-3}; i++)); do
  TSAN_OPTIONS="halt_on_error=1" "$out/client_batch_tests" --gtest_brief=1
done
