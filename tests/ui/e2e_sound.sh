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
# Samples are 16-bit mono at 48 kHz: this many bytes hold a second of sound.
SECOND=96000
# Waits until the file holds BYTES more than it did at MARK: sound played up to then is written.
wait_sound() {
  local target=$(($1 + $2))
  written() { [ "$(size)" -ge "$target" ]; }
  wait_for 20 "$3 (the sound file past $target bytes)" written
}
# The samples mixed before a change of the mute reach the file within a few of SDL's 512-sample
# buffers; eight of them (8 KB) are written after anything mixed before.
drain() { wait_sound "$(size)" 8192 "the sound mixed before $1 to be written"; }
# Jumps and waits until she has come down on the ground again; the trace shows her rise.
jump() {
  local mark
  mark=$(ticks_run)
  press_until Up 'vy != 0' "a jump"
  rose() { traced_since "$mark" 'vy < 0'; }
  rose || fail "she did not jump: no tick with her rising"
  wait_trace 'vy == 0' "her landing after the jump"
}
# Presses M and waits until the settings file keeps the choice (VALUE 1: muted).
toggle_mute() {
  xdotool key --window "$WINDOW" m
  kept() { grep -qx "muted $1" "$XDG_CONFIG_HOME/skelvar/settings" 2>/dev/null; }
  wait_for 5 "the settings file to keep 'muted $1' after M" kept "$1"
  drain M
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
wait_sound 0 $((SECOND * 3 / 2)) "a second and a half of the menu's sound"
[ "$(peak 0 "$(size)")" -eq 0 ] || fail "the menu is not silent"
pass "the menu is silent ($(size) bytes written)"

from=$(size)
press_until Right 's == 0' "a run started by Right"
jump
loud=$(peak "$from" "$(size)")
[ "$loud" -gt 6000 ] || fail "a run start and a jump peak at only $loud"
[ "$loud" -le 29204 ] || fail "the sound peaks past -1 dBFS: $loud"
pass "a run start and a jump are heard (peak $loud)"

toggle_mute 1
from=$(size)
jump
jump
muted=$(peak "$from" "$(size)")
[ "$muted" -eq 0 ] || fail "after M two jumps still peak at $muted"
pass "after M two jumps are silent ($(( $(size) - from )) bytes of silence)"
traced 's == 0' || fail "M stopped the run"

x11_stop
GAME_PID=

# --- the choice outlives the game: started again, it is still muted until M ---
grep -qx "muted 1" "$XDG_CONFIG_HOME/skelvar/settings" || fail "the mute is not kept in the settings file"
x11_start_xvfb 1280x1024
: >"$TRACE"
RAW=$WORK/again.raw
start_with_disk_sound
wait_for 5 "sound written after the restart" test -s "$RAW"
from=$(size)
press_until Right 's == 0' "a run started by Right after the restart"
jump
restarted=$(peak "$from" "$(size)")
[ "$restarted" -eq 0 ] || fail "started again after M, a run start and a jump peak at $restarted"
pass "started again, the game is still muted"

toggle_mute 0
from=$(size)
jump
again=$(peak "$from" "$(size)")
[ "$again" -gt 6000 ] || fail "after M again a jump peaks at only $again"
pass "M again: a jump is heard (peak $again) and the choice is kept"
x11_stop
GAME_PID=

# --- no working sound device: one warning, and the game plays ---
x11_start_xvfb 1280x1024
: >"$TRACE"
SDL_AUDIODRIVER=nonesuch SKELVAR_STATE_TRACE=$TRACE "$GAME" >"$WORK/game.out" 2>"$WORK/game.err" &
GAME_PID=$!
x11_find_game_window
press_until Right 's == 0' "a run started by Right without sound"
[ "$(wc -l <"$WORK/game.err")" -eq 1 ] || fail "without sound stderr is not one line"
grep -q "without sound" "$WORK/game.err" || fail "no warning without sound"
pass "without a sound device it plays after one line: $(cat "$WORK/game.err")"
