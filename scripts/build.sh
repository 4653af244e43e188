#!/usr/bin/env bash
# Configures (once) and builds the four build trees: win (MinGW-w64, tests under Wine),
# host (sanitizers), fuzz (clang, libFuzzer) and tsan (the thread tests under ThreadSanitizer).
# Arguments name the trees; none builds all four.
set -euo pipefail
. "$(dirname "$0")/env.sh"

configure() {  # <tree> <cmake arguments...>
  local tree=$1; shift
  if [ ! -f "$BUILD/$tree/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD/$tree" -G Ninja -Wno-dev -DCMAKE_C_COMPILER_LAUNCHER=ccache \
      -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@" >/dev/null
  fi
}

trees=("$@")
[ ${#trees[@]} -gt 0 ] || trees=(win host fuzz tsan)
for tree in "${trees[@]}"; do
  case $tree in
    win)  configure win -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" -DCLIENT_JPEG_PREFIX="$JPEG_PREFIX" ;;
    host) configure host -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ ;;
    fuzz) configure fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCLIENT_FUZZ=ON ;;
    tsan) configure tsan -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DCLIENT_TSAN=ON ;;
    *) echo "unknown build tree: $tree" >&2; exit 2 ;;
  esac
  # CLIENT_CONFIGURE_ONLY: the caller builds the targets it needs itself.
  [ -z "${CLIENT_CONFIGURE_ONLY:-}" ] || continue
  echo "building $tree"
  if [ "$tree" = tsan ]; then
    cmake --build "$BUILD/$tree" --target tsan_tests -- --quiet
  else
    cmake --build "$BUILD/$tree" -- --quiet
  fi
done

# One ctest run over all four trees, so that a single summary line closes the output.
printf 'subdirs("win" "host" "fuzz" "tsan")\n' > "$BUILD/CTestTestfile.cmake"
