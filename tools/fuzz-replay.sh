#!/usr/bin/env bash
# Builds the replay script fuzzer and the run code fuzzer (clang's libFuzzer with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs them for a fixed time between them, two thirds of it on
# the script reader and a third on the run codes; any finding fails the run and leaves the input
# that caused it in BUILD_DIR/findings/.
#   tools/fuzz-replay.sh [SECONDS [BUILD_DIR]]     (60 seconds and build-fuzz by default)
# The corpora grow in BUILD_DIR/corpus and BUILD_DIR/corpus-runs from one run to the next; a long
# run is the same command with more seconds, e.g. tools/fuzz-replay.sh 3600.
set -euo pipefail
seconds=${1:-60}
build=${2:-build-fuzz}
cd "$(dirname "$0")/.."
case "$seconds" in
  '' | *[!0-9]* | 0 | 1) echo "fuzz-replay: SECONDS must be a whole number of at least 2" >&2; exit 2 ;;
esac

cmake -S tests/fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS=-Werror >/dev/null
cmake --build "$build" -j 2 --target skelvar-replay-fuzzer skelvar-run-code-fuzzer
mkdir -p "$build/corpus" "$build/corpus-runs" "$build/findings"

# fuzz NAME SECONDS LOG FUZZER-OPTIONS... : one fuzzer's run, its statistics or its finding.
fuzz() {
  local name=$1 time=$2 log=$3 status
  shift 3
  echo "Fuzzing the $name for $time s"
  set +e
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$@" -max_total_time="$time" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/findings/" >"$log" 2>&1
  status=$?
  set -e
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log" >&2
    echo "fuzz-replay: the $name fuzzer found a problem (status $status); the input is in $build/findings/" >&2
    exit 1
  fi
  grep -e '^Done' -e '^stat::' "$log"
}

codes=$((seconds / 3 > 0 ? seconds / 3 : 1))
fuzz "replay script reader" $((seconds - codes)) "$build/fuzz.log" \
  "$build/skelvar-replay-fuzzer" -dict=tests/fuzz/replay.dict -max_len=8192 \
  "$build/corpus" tests/fuzz/seeds
fuzz "run code decoder" "$codes" "$build/fuzz-runs.log" \
  "$build/skelvar-run-code-fuzzer" -max_len=20480 "$build/corpus-runs" tests/fuzz/seeds-runs
