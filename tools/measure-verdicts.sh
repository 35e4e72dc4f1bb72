#!/usr/bin/env bash
# Times verdicts the way a leaderboard asks for them: one process judging a batch of one-minute runs
# (1,230 steps in play) fed one code a line to `skelvar-replay --verify -`, pinned to one core. Prints
# the verdicts a second and the time a step, with the whole process's CPU time and peak memory from
# /usr/bin/time. A benchmark, not a pass/fail test; the target is printed beside it.
#   tools/measure-verdicts.sh [BUILD_DIR] [COUNT]     (build and 20000 by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
count=${2:-20000}
[ -x /usr/bin/time ] || { echo "measure-verdicts: needs /usr/bin/time (package time)" >&2; exit 1; }
cmake --build "$build" -j 2 --target skelvar-replay skelvar-verdict-bench >/dev/null
work=$(mktemp -d /tmp/skelvar-verdicts.XXXXXX)
trap 'rm -rf "$work"' EXIT

code=$(cat "$root/bench/minute-run.code")
for ((i = 0; i < count; ++i)); do echo "$code"; done >"$work/batch"
echo "== Verdicts ($(date -u +%Y-%m-%dT%H:%M:%SZ), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
echo "   target: 10000 one-minute verdicts a second on one core"
taskset -c 0 /usr/bin/time -f '%U %S %M' -o "$work/time" "$build/skelvar-replay" --verify - \
  <"$work/batch" >"$work/verdicts"
read -r user sys kb <"$work/time"
judged=$(grep -c '"cleared"' "$work/verdicts")
[ "$judged" -eq "$count" ] || { echo "measure-verdicts: $judged verdicts for $count codes" >&2; exit 1; }
awk -v n="$count" -v u="$user" -v s="$sys" -v kb="$kb" 'BEGIN {
  cpu = u + s
  printf "%d verdicts in %.2f s of CPU: %.0f verdicts a second, %.0f ns a step, %d KB peak\n",
    n, cpu, n / cpu, cpu / n / 1230 * 1e9, kb
}'
"$build/skelvar-verdict-bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  2>/dev/null | grep -E 'median|Benchmark'
