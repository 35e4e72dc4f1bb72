#!/usr/bin/env bash
# A long soak of random play under AddressSanitizer and UndefinedBehaviorSanitizer: ten million
# ticks of random keys, mouse moves, clicks and resizes (1 x 1 to 32767 x 32767) read through the
# replay script reader, with every bound of the run checked after every tick.
#   tools/soak-replay.sh [TICKS [SEED [BUILD_DIR]]]     (10000000, 1 and build-fuzz by default)
set -euo pipefail
ticks=${1:-10000000}
seed=${2:-1}
build=${3:-build-fuzz}
cd "$(dirname "$0")/.."
cmake -S tests/fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  >/dev/null
cmake --build "$build" -j 2 --target skelvar-replay-soak
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$build/skelvar-replay-soak" "$ticks" "$seed"
