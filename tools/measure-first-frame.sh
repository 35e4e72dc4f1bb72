#!/bin/bash
# Measures the game's start to its first presented frame under a private X server, over several
# starts with SDL's dummy sound device and as many with no sound device at all (ALSA asked for a
# device that does not exist). Each start's figure is taken from the launch, by this script's
# clock, to the moment the program reports the frame presented (SKELVAR_TRACE_STARTUP=1), beside
# the program's own count from its start and its start-up steps; then the median, the slowest
# and how many starts were within the target. A benchmark, not a pass/fail test.
#
# Usage: tools/measure-first-frame.sh [BUILD_DIR] [STARTS]   (defaults: build, 10)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
STARTS=${2:-10}
TARGET_MS=150
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

echo "== Skelvar start to first frame ($(date -u +%Y-%m-%dT%H:%M:%SZ), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), $GAME)"
x11_start_xvfb 1280x1024

label_number=0
# Starts the game STARTS times with the environment given and prints every start and a summary.
measure() {
  local label=$1
  label_number=$((label_number + 1))
  shift
  local times=() n
  echo "-- $label"
  for ((n = 1; n <= STARTS; ++n)); do
    local launch err=$WORK/game-$label_number-$n.err
    launch=$(date +%s.%N)
    env "$@" SKELVAR_TRACE_STARTUP=1 "$GAME" >/dev/null 2>"$err" &
    GAME_PID=$!
    first_frame() { grep -qs 'first frame presented .* (unix time' "$err"; }
    retry 10 first_frame || fail "no first frame: $(cat "$err")"
    # The sound device opens right after the first frame; its line follows.
    sound_done() { grep -qsE 'sound +done|without sound' "$err"; }
    retry 5 sound_done
    local inside presented ms steps
    inside=$(sed -n 's/.*first frame presented \([0-9.]*\) ms after start.*/\1/p' "$err")
    presented=$(sed -n 's/.*unix time \([0-9.]*\)).*/\1/p' "$err")
    ms=$(awk -v a="$launch" -v b="$presented" 'BEGIN { printf "%.1f", (b - a) * 1000 }')
    steps=$(sed -n 's/^skelvar: \([A-Za-z]*\) *done at *\([0-9.]*\) ms/\1 \2/p' "$err" | paste -sd, - | sed 's/,/, /g')
    echo "start $n: first frame $ms ms after launch, $inside ms after main ($steps)"
    if [ "$n" = 1 ]; then
      sed -n 's/^skelvar: \(renderer [a-z0-9]* (.*\)/  \1/p; s/^skelvar: warning: \(playing without sound.*\)/  \1/p' "$err"
    fi
    times+=("$ms")
    kill "$GAME_PID" 2>/dev/null
    wait "$GAME_PID" 2>/dev/null
    GAME_PID=
    sleep 0.5
  done
  printf '%s\n' "${times[@]}" | sort -g | awk -v n="$STARTS" -v target="$TARGET_MS" '
    { v[NR] = $1; if ($1 <= target) within++ }
    END {
      median = n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
      printf "median of %d starts: %.1f ms (fastest %.1f, slowest %.1f); %d of %d within %d ms   [target: every start]\n",
        n, median, v[1], v[n], within, n, target
    }'
}

measure "SDL's dummy sound device" SDL_AUDIODRIVER=dummy
measure "no sound device (ALSA, a device that does not exist)" SDL_AUDIODRIVER=alsa AUDIODEV=skelvar-no-such-device
