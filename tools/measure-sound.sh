#!/bin/bash
# Measures what the sound costs the game window: the game's CPU time over 10 s of play (Right
# held, a jump every half second, runs ending and starting again) under a private X server, once
# mixing its sound for SDL's dummy audio driver and once without any sound device, and the
# difference. A benchmark, not a pass/fail test; the target is printed beside the figure.
#
# Usage: tools/measure-sound.sh [BUILD_DIR]   (default: build)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
GAME=$BUILD/skelvar
[ -x "$GAME" ] || { echo "no $GAME: build first" >&2; exit 1; }
WORK=$(mktemp -d /tmp/skelvar-measure-sound.XXXXXX)
HZ=$(getconf CLK_TCK)

fail() { echo "measure-sound: $*" >&2; exit 1; }
# shellcheck source=../tests/ui/x11_session.sh
. "$ROOT/tests/ui/x11_session.sh"
trap x11_cleanup EXIT

cpu_seconds() { awk -v hz="$HZ" '{ printf "%.3f\n", ($14 + $15) / hz }' "/proc/$GAME_PID/stat"; }

# CPU seconds the game uses over 10 s of play with the given SDL_AUDIODRIVER.
play() {
  SDL_AUDIODRIVER=$1 "$GAME" >"$WORK/game.out" 2>"$WORK/game.err" &
  GAME_PID=$!
  x11_find_game_window
  sleep 1.5
  xdotool keydown --window "$WINDOW" Right
  local a b
  a=$(cpu_seconds)
  for _ in $(seq 20); do
    xdotool keydown --window "$WINDOW" Up
    sleep 0.1
    xdotool keyup --window "$WINDOW" Up
    sleep 0.4
  done
  b=$(cpu_seconds)
  xdotool keyup --window "$WINDOW" Right
  kill "$GAME_PID"
  wait "$GAME_PID" 2>/dev/null
  GAME_PID=
  awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f\n", b - a }'
}

x11_start_xvfb 1280x1024
with=$(play dummy)
grep -q "without sound" "$WORK/game.err" && fail "SDL's dummy audio driver did not open"
without=$(play none)
awk -v w="$with" -v o="$without" 'BEGIN {
  printf "10 s of play with sound:     %.3f s CPU = %.2f %% of one core\n", w, w * 10
  printf "10 s of play without sound:  %.3f s CPU = %.2f %% of one core\n", o, o * 10
  printf "the sound costs              %.2f %% of one core   [target <= 1 %%]\n", (w - o) * 10
}'
