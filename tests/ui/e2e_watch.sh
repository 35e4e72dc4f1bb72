#!/bin/bash
# A run code watched in the real window under a private X server: a bad code is refused with one
# line and status 2 before any window opens; a good one plays back with its marker in the top left
# corner while the player's own game waits at the menu; once it is over, a key races it.
#
# Usage: e2e_watch.sh PATH/TO/skelvar PATH/TO/skelvar-replay
set -u
GAME=${1:?usage: e2e_watch.sh PATH/TO/skelvar PATH/TO/skelvar-replay}
REPLAY=${2:?usage: e2e_watch.sh PATH/TO/skelvar PATH/TO/skelvar-replay}
HERE=$(cd "$(dirname "$0")" && pwd)
CONVERT=convert
[ -x /usr/bin/convert ] && CONVERT=/usr/bin/convert
WORK=$(mktemp -d /tmp/skelvar-e2e-watch.XXXXXX)
TRACE=$WORK/trace

fail() {
  echo "FAIL: $*" >&2
  [ -f "$WORK/game.err" ] && sed 's/^/  game stderr: /' "$WORK/game.err" | grep -v placeholder >&2
  exit 1
}

# shellcheck source=x11_session.sh
. "$HERE/x11_session.sh"
trap x11_cleanup EXIT

env -u DISPLAY "$GAME" 'AQEB-not-a-run' >"$WORK/bad.out" 2>"$WORK/bad.err"
status=$?
[ $status -eq 2 ] || fail "a bad code ended with status $status, not 2"
[ "$(wc -l <"$WORK/bad.err")" -eq 1 ] && grep -q "run code" "$WORK/bad.err" ||
  fail "a bad code did not give one line: $(cat "$WORK/bad.err")"
pass "bad code: $(cat "$WORK/bad.err")"

# A short run: Up after the fade starts it, Right held with the keyboard's repeat, then let go.
{
  echo "30 keydown 38"
  echo "31 keyup 38"
  for k in $(seq 32 60); do echo "$k keydown 39"; done
  echo "61 keyup 39"
} >"$WORK/run.txt"
"$REPLAY" --save-run "$WORK/run.code" --ticks 80 "$WORK/run.txt" || fail "no code for the run"

x11_start_xvfb 1280x1024
SKELVAR_STATE_TRACE=$TRACE "$GAME" "$WORK/run.code" >"$WORK/game.out" 2>"$WORK/game.err" &
GAME_PID=$!
x11_find_game_window
geometry
# White pixels of the note's plaque from x on, above the play area where the window is grey.
plaque() {
  import -window root -crop "100x30+$((WX + $1))+$((WY + 9))" +repage "$WORK/corner.png" || return 1
  $CONVERT "$WORK/corner.png" -fill black +opaque white -fill white -opaque white \
    -format '%[fx:mean*w*h]' info:
}
marked() { awk -v n="$(plaque 10)" 'BEGIN { exit !(n > 1000) }'; }
# The note that the run is over is the longer one.
over() { awk -v n="$(plaque 160)" 'BEGIN { exit !(n > 1000) }'; }
# The watched run's notes are painted, not traced: the window's corner is looked at until it shows.
wait_for 10 "the replay marker in the window's top left corner" marked
pass "the watched run shows its marker"

# The watched run has 80 ticks; the player's game waits at the menu meanwhile.
wait_for 20 "the note that the watched run is over" over
[ "$(field state)" = -1 ] || fail "the player's game left the menu while a run was watched"
xdotool windowfocus --sync "$WINDOW" 2>/dev/null || true
xdotool keydown Right
wait_trace 's == 0' "a run started by a key after the watched run" 10
xdotool keyup Right
pass "a key after the watched run starts the player's run, racing it"
