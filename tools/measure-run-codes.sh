#!/usr/bin/env bash
# Times the run code decoder on the tests' hostile codes and on the heaviest codes a run may have
# (the most events, the longest text): the decoder alone, the median and the slowest of 21 decodes,
# and the whole replay tool loading the code (--ticks 0), its wall time and its peak resident
# memory as /usr/bin/time gives them. A benchmark, not a pass/fail test; the targets are printed beside it.
#   tools/measure-run-codes.sh [BUILD_DIR]     (build by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
[ -x /usr/bin/time ] || { echo "measure-run-codes: needs /usr/bin/time (package time)" >&2; exit 1; }
cmake --build "$build" -j 2 --target run-code-samples skelvar-replay >/dev/null
work=$(mktemp -d /tmp/skelvar-run-codes.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "== Run codes ($(date -u +%Y-%m-%dT%H:%M:%SZ), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
echo "   targets: the decoder within 50 ms and 16 MB a code; the tool within 1 s, one line and status 2 for a bad code"
"$build/run-code-samples" "$work" >"$work/decoder.tsv"
printf '%-38s %6s %18s %8s %8s %6s  %s\n' code chars "decoder ms" "tool ms" "tool KB" status "stderr"
slowest=0 largest=0
while IFS=$'\t' read -r file name chars ms outcome; do
  start=$(date +%s%N)
  set +e
  /usr/bin/time -f '%M' -o "$work/time" "$build/skelvar-replay" --quiet --ticks 0 \
    --run "$work/$file" >/dev/null 2>"$work/err"
  status=$?
  set -e
  took=$((($(date +%s%N) - start) / 1000000))
  kb=$(tail -n 1 "$work/time")
  lines=$(wc -l <"$work/err")
  [ "$took" -gt "$slowest" ] && slowest=$took
  [ "$kb" -gt "$largest" ] && largest=$kb
  printf '%-38s %6s %18s %8s %8s %6s  %s line(s): %s\n' "$name" "$chars" "$ms" "$took" "$kb" \
    "$status" "$lines" "$outcome"
done <"$work/decoder.tsv"
echo "slowest tool run ${slowest} ms, largest peak ${largest} KB"
