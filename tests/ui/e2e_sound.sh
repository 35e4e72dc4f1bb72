#!/bin/bash
# The window's sound under a private X server, through SDL's disk driver: a run with a jump is
# heard, M silences everything that follows, also after the game is started again, and M again
# brings it back; without any working sound device the game still plays, after one warning line.
#
# Usage: e2e_sound.sh PATH/TO/skelvar
set -u
GAME=${1:?usage: e2e_sound.sh PATH/TO/skelvar}
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/skelvar-sound.XXXXXX)
TRACE=$WORK/trace
RAW=$WORK/sound.raw

fail() {
  echo "FAIL: $*" >&2
  [ -f "$WORK/game.err" ] && sed 's/^/  game stderr: /' "$WORK/game.err" >&2
  [ -f "$TRACE" ] && echo "  last state: $(tail -1 "$TRACE")" >&2
  exit 1
}

# shellcheck source=x11_session.sh
. "$HERE/x11_session.sh"
trap x11_cleanup EXIT

x11_start_xvfb 1280x1024

size() { stat -c %s "$RAW" 2>/dev/null || echo 0; }
# The loudest 16-bit sample of the disk driver's file from byte FROM to byte TO.
peak() {
  python3 -c '
import sys, array
data = open(sys.argv[1], "rb").read()[int(sys.argv[2]) & ~1:int(sys.argv[3]) & ~1]
a = array.array("h", data)
print(max((abs(v) for v in a), default=0))' "$RAW" "$1" "$2"
}
hold() {
  xdotool keydown --window "$WINDOW" "$1"
  sleep "$2"
  xdotool keyup --window "$WINDOW" "$1"
}
playing() { [ "$(field state)" = 0 ]; }
# Jumps and waits until she is back on the ground; fails unless the trace saw her rise.
jump() {
  local mark
  mark=$(wc -l <"$TRACE")
  hold Up 0.15
  sleep 1.2
  tail -n +$((mark + 1)) "$TRACE" | grep -q ' vy -' || fail "she did not jump"
}

# Starts the game with SDL's disk driver, so every sample it plays lands in $RAW.
start_with_disk_sound() {
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$RAW SKELVAR_STATE_TRACE=$TRACE \
    "$GAME" >"$WORK/game.out" 2>"$WORK/game.err" &
  GAME_PID=$!
  x11_find_game_window
}

# --- with the disk driver every sample the game plays lands in a file ---
start_with_disk_sound
grep -q "without sound" "$WORK/game.err" && fail "the disk driver was not taken"
retry 5 test -s "$RAW" || fail "no sound is written"
sleep 1.5
[ "$(peak 0 "$(size)")" -eq 0 ] || fail "the menu is not silent"
pass "the menu is silent ($(size) bytes written)"

from=$(size)
hold Right 0.2
retry 5 playing || fail "the run did not start"
jump
loud=$(peak "$from" "$(size)")
[ "$loud" -gt 6000 ] || fail "a run start and a jump peak at only $loud"
[ "$loud" -le 29204 ] || fail "the sound peaks past -1 dBFS: $loud"
pass "a run start and a jump are heard (peak $loud)"

xdotool key --window "$WINDOW" m
sleep 0.3
from=$(size)
jump
jump
muted=$(peak "$from" "$(size)")
[ "$muted" -eq 0 ] || fail "after M two jumps still peak at $muted"
pass "after M two jumps are silent ($(( $(size) - from )) bytes of silence)"
playing || fail "M stopped the run"

x11_stop
GAME_PID=

# --- the choice outlives the game: started again, it is still muted until M ---
grep -qx "muted 1" "$XDG_CONFIG_HOME/skelvar/settings" || fail "the mute is not kept in the settings file"
x11_start_xvfb 1280x1024
: >"$TRACE"
RAW=$WORK/again.raw
start_with_disk_sound
retry 5 test -s "$RAW" || fail "no sound is written after the restart"
sleep 1
from=$(size)
hold Right 0.2
retry 5 playing || fail "the run did not start after the restart"
jump
restarted=$(peak "$from" "$(size)")
[ "$restarted" -eq 0 ] || fail "started again after M, a run start and a jump peak at $restarted"
pass "started again, the game is still muted"

xdotool key --window "$WINDOW" m
sleep 0.3
from=$(size)
jump
again=$(peak "$from" "$(size)")
[ "$again" -gt 6000 ] || fail "after M again a jump peaks at only $again"
grep -qx "muted 0" "$XDG_CONFIG_HOME/skelvar/settings" || fail "sound on again is not kept"
pass "M again: a jump is heard (peak $again) and the choice is kept"
x11_stop
GAME_PID=

# --- no working sound device: one warning, and the game plays ---
x11_start_xvfb 1280x1024
: >"$TRACE"
SDL_AUDIODRIVER=nonesuch SKELVAR_STATE_TRACE=$TRACE "$GAME" >"$WORK/game.out" 2>"$WORK/game.err" &
GAME_PID=$!
x11_find_game_window
sleep 1
hold Right 0.2
retry 5 playing || fail "without sound the run did not start"
[ "$(wc -l <"$WORK/game.err")" -eq 1 ] || fail "without sound stderr is not one line"
grep -q "without sound" "$WORK/game.err" || fail "no warning without sound"
pass "without a sound device it plays after one line: $(cat "$WORK/game.err")"
