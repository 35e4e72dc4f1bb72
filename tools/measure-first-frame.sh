#!/bin/bash
# Measures the game's start to its first presented frame under a private X server, as the program
# itself reports it with SKELVAR_TRACE_STARTUP=1, over several starts, and prints each start's
# steps and the median. A benchmark, not a pass/fail test; the target is printed beside it.
#
# Usage: tools/measure-first-frame.sh [BUILD_DIR] [STARTS]   (defaults: build, 5)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
STARTS=${2:-5}
GAME=$BUILD/skelvar
[ -x "$GAME" ] || { echo "measure-first-frame: no $GAME: build first" >&2; exit 1; }
case "$STARTS" in
  '' | *[!0-9]* | 0) echo "measure-first-frame: STARTS must be a positive whole number" >&2; exit 2 ;;
esac
WORK=$(mktemp -d /tmp/skelvar-first-frame.XXXXXX)

fail() { echo "measure-first-frame: $*" >&2; exit 1; }
# shellcheck source=../tests/ui/x11_session.sh
. "$ROOT/tests/ui/x11_session.sh"
trap x11_cleanup EXIT

echo "== Skelvar start to first frame ($(date -u +%Y-%m-%dT%H:%M:%SZ), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
x11_start_xvfb 1280x1024
times=()
for ((n = 1; n <= STARTS; ++n)); do
  SKELVAR_TRACE_STARTUP=1 "$GAME" >/dev/null 2>"$WORK/game.err" &
  GAME_PID=$!
  first_frame() { grep -qs 'first frame presented .* (unix time' "$WORK/game.err"; }
  retry 10 first_frame || fail "no first frame: $(cat "$WORK/game.err")"
  ms=$(sed -n 's/.*first frame presented \([0-9.]*\) ms after start.*/\1/p' "$WORK/game.err")
  steps=$(sed -n 's/^skelvar: \([A-Za-z]*\) *done at *\([0-9.]*\) ms/\1 \2/p' "$WORK/game.err" | paste -sd, - | sed 's/,/, /g')
  echo "start $n: first frame at $ms ms ($steps)"
  times+=("$ms")
  kill "$GAME_PID" 2>/dev/null
  wait "$GAME_PID" 2>/dev/null
  GAME_PID=
  sleep 0.5
done
printf '%s\n' "${times[@]}" | sort -g | awk -v n="$STARTS" '
  { v[NR] = $1 }
  END {
    median = n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    printf "median of %d starts: %.1f ms (fastest %.1f, slowest %.1f)   [target <= 150 ms]\n", n, median, v[1], v[n]
  }'
