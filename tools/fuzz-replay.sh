#!/usr/bin/env bash
# Builds the replay script fuzzer (clang's libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for a fixed time; any finding fails the run and leaves
# the input that caused it in BUILD_DIR/findings/.
#   tools/fuzz-replay.sh [SECONDS [BUILD_DIR]]     (60 seconds and build-fuzz by default)
# The corpus grows in BUILD_DIR/corpus from one run to the next; a long run is the same command
# with more seconds, e.g. tools/fuzz-replay.sh 3600.
set -euo pipefail
seconds=${1:-60}
build=${2:-build-fuzz}
cd "$(dirname "$0")/.."

cmake -S tests/fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS=-Werror >/dev/null
cmake --build "$build" -j 2 --target skelvar-replay-fuzzer
mkdir -p "$build/corpus" "$build/findings"
echo "Fuzzing the replay script reader for $seconds s"
log="$build/fuzz.log"
set +e
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$build/skelvar-replay-fuzzer" -max_total_time="$seconds" -dict=tests/fuzz/replay.dict \
  -max_len=8192 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$build/findings/" "$build/corpus" tests/fuzz/seeds >"$log" 2>&1
status=$?
set -e
if [ "$status" -ne 0 ]; then
  tail -n 60 "$log" >&2
  echo "fuzz-replay: the fuzzer found a problem (status $status); the input is in $build/findings/" >&2
  exit 1
fi
grep -e '^Done' -e '^stat::' "$log"
