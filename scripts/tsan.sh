#!/usr/bin/env bash
# Builds portable tests with ThreadSanitizer (the host tree uses AddressSanitizer, which cannot be
# combined with it) over the portable core, the thread pool and worker thread component, and runs
# them a few times. The modules' own tsan.sh scripts name what they add.
# Usage: scripts/tsan.sh NAME RUNS SOURCE...   (from anywhere; output in build/tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
name=$1 runs=$2
shift 2
out=build/tsan
mkdir -p "$out"
gtest=/usr/src/googletest/googletest
g++ -std=c++20 -O1 -g -fsanitize=thread -I. -I"$gtest/include" -I"$gtest" \
  $(ls core/*.cpp | grep -v _win32) \
  support/threadpool.cpp support/threadcomponent.cpp support/threadcomponent_host.cpp support/extcomponent.cpp \
  ui/messagebox.cpp ui/messagebox_host.cpp \
  "$@" \
  "$gtest/src/gtest-all.cc" "$gtest/src/gtest_main.cc" -lpthread -o "$out/$name"
for ((i = 0; i < runs; i++)); do
  TSAN_OPTIONS="halt_on_error=1" "$out/$name" --gtest_brief=1
done
