#!/bin/bash
# End-to-end check of motion between the game's ticks and of a small window, under a private X
# server without a window manager: the frame log (SKELVAR_FRAME_LOG) shows the background moving
# while the girl runs, at more than one place within some tick, a last frame when the motion
# ends, and no frames at all at rest (a finished outcome, the menu); a
# 640 x 400 window shows the whole play area scaled down with grey above and below, and a click on
# the stage there still makes the girl jump.
#
# Usage: e2e_motion.sh PATH/TO/skelvar
set -u
GAME=${1:?usage: e2e_motion.sh PATH/TO/skelvar}
HERE=$(cd "$(dirname "$0")" && pwd)
CONVERT=convert
[ -x /usr/bin/convert ] && CONVERT=/usr/bin/convert
WORK=$(mktemp -d /tmp/skelvar-motion.XXXXXX)
FRAMES=$WORK/frames
TRACE=$WORK/trace
START=$SECONDS

fail() {
  echo "FAIL: $*" >&2
  [ -f "$FRAMES" ] && echo "  frames logged: $(wc -l <"$FRAMES"), last: $(tail -1 "$FRAMES")" >&2
  [ -f "$TRACE" ] && echo "  last state: $(tail -1 "$TRACE")" >&2
  [ -f "$WORK/game.err" ] && sed 's/^/  game stderr: /' "$WORK/game.err" | grep -v placeholder >&2
  exit 1
}

# shellcheck source=x11_session.sh
. "$HERE/x11_session.sh"
trap x11_cleanup EXIT

x11_start_xvfb 1280x1024
SKELVAR_FRAME_LOG=$FRAMES SKELVAR_STATE_TRACE=$TRACE "$GAME" >"$WORK/game.out" 2>"$WORK/game.err" &
GAME_PID=$!
x11_find_game_window
lines() { wc -l <"$FRAMES"; }

# --- at rest at the menu: not one frame ---
sleep 2  # the fade-in takes 1.3 s
[ -s "$FRAMES" ] || fail "no frame was logged at all"
bad=$(awk 'NF != 3 || $1 !~ /^[0-9]+\.[0-9]+$/ || $2 !~ /^[0-9]+$/ || ($3 != "-" && $3 !~ /^-?[0-9]+$/)' "$FRAMES" | head -1)
[ -z "$bad" ] || fail "a frame log line is not 'milliseconds ticks x': $bad"
before=$(lines)
sleep 2
after=$(lines)
[ "$after" = "$before" ] || fail "$((after - before)) frames presented in 2 s at rest at the menu"
pass "menu at rest: no frame in 2 s ($before frames logged before, all while starting and fading in)"

# --- running right: frames between ticks, the background at several places within a tick ---
xdotool keydown --window "$WINDOW" Right
playing() { [ "$(field state)" = 0 ]; }
retry 5 playing || { xdotool keyup --window "$WINDOW" Right; fail "Right did not start a run"; }
# A smoke check of real time, over 1.5 s from just after the start: the background moves, and
# some tick intervals (frames logged with the same tick count) show it at two or more places. How
# many ticks and frames come, and how evenly the frames are placed, is the schedule's to say on an
# injected clock (its tests) and the replay tool's to draw exactly; a busy machine only slows this.
sleep 0.3
from=$(lines)
sleep 1.5
to=$(lines)
xdotool keyup --window "$WINDOW" Right
read -r ticks spread moved monotonic <<<"$(sed -n "$((from + 1)),${to}p" "$FRAMES" | awk '
  NR > 1 && ($1 < lastT || $2 < lastTick) { backwards = 1 }
  { lastT = $1; lastTick = $2 }
  $3 != "-" { if (!have) first = $3; have = 1; lastX = $3
    key = $2 SUBSEP $3; if (!(key in seen)) { seen[key] = 1; places[$2]++ } }
  END {
    n = 0; two = 0; for (k in places) { n++; if (places[k] >= 2) two++ }
    printf "%d %d %d %d\n", n, two, (have && lastX != first), !backwards }')"
[ "$monotonic" = 1 ] || fail "the frame log's times or tick counts go backwards"
[ "$moved" = 1 ] || fail "the background did not move in 1.5 s of running"
[ "$ticks" -ge 2 ] || fail "only $ticks ticks were drawn in 1.5 s of play"
[ "$spread" -ge 1 ] ||
  fail "no tick interval of $ticks showed the background at two or more places"
pass "running right: the background moves, at 2+ places in $spread of $ticks tick intervals"

# --- on into the first obstacle: when the outcome picture has slid in and stopped (its last step
# is on outcome tick 55), one more frame shows it at its final place, then none follow ---
# Right is let go at the contact: held on into the finished outcome it would go back to the menu.
xdotool keydown --window "$WINDOW" Right
contact() { [ "$(field state)" = 1 ]; }
retry 20 contact || { xdotool keyup --window "$WINDOW" Right; fail "the run did not end in a contact"; }
xdotool keyup --window "$WINDOW" Right
finished() { [ "$(field state)" = 2 ]; }
retry 10 finished || fail "the outcome did not finish"
sleep 0.5
# The state trace has a line a tick, so the line of outcome tick 56 counts the ticks run by then.
stopped=$(awk '$1 == "tick" && $2 == 56 && $4 == 1 { print NR; exit }' "$TRACE")
[ -n "$stopped" ] || fail "no outcome tick 56 in the state trace"
last=$(tail -1 "$FRAMES" | awk '{ print $2 }')
[ "$last" = "$stopped" ] ||
  fail "the last frame was drawn after $last ticks, not after the tick that ended the motion ($stopped)"
before=$(lines)
sleep 1
[ "$(lines)" = "$before" ] || fail "frames presented at rest at the finished outcome"
pass "finished outcome: the last frame after tick $stopped, where the motion ended, and none at rest"

# --- back at the menu, at rest again ---
menu() { [ "$(field state)" = -1 ]; }
# Esc goes back to the menu from a run; it is pressed only while not at the menu, where it would
# end the program. Held long enough for the 50 ms polling to see it: a press and release that both
# fall between two ticks are never polled. Returning to the menu clears the held keys, so the rest
# of the hold does not reach the menu.
esc_to_menu() {
  menu && return 0
  xdotool keydown --window "$WINDOW" Escape
  sleep 0.15
  xdotool keyup --window "$WINDOW" Escape
  sleep 0.15
  menu
}
retry 8 esc_to_menu || fail "Esc did not return to the menu"
sleep 0.3
before=$(lines)
sleep 1.5
after=$(lines)
[ "$after" = "$before" ] || fail "$((after - before)) frames presented in 1.5 s at the menu after a run"
pass "back at the menu: no frame in 1.5 s"

# --- a 640 x 400 window shows the whole play area scaled down ---
xdotool windowsize "$WINDOW" 640 400
small() { geometry; [ "$WW" = 640 ] && [ "$WH" = 400 ]; }
retry 5 small || fail "the window did not take the size 640x400 (is ${WW}x$WH)"
# Held long enough for the 50 ms polling to see it.
start_run() {
  xdotool keydown --window "$WINDOW" Up
  sleep 0.15
  xdotool keyup --window "$WINDOW" Up
  retry 1 playing
}
retry 6 start_run || fail "Up did not start a run in the small window"
# 640 x 400 pixels are too small for the 900 x 500 play area: it fills the width, 640 / 900, the
# logic lays out in 900 x 563 units with the play area at 0, 31, so on the pixels it spans the
# whole width and about 22 to 378 down.
laid_out() { [ "$(field client)" = 900x563 ] && [ "$(field game)" = 0,31 ] && [ "$(field screen)" = 640x400 ]; }
retry 3 laid_out || fail "a 640x400 window is laid out as $(field client) on $(field screen), play area at $(field game)"
whole() {
  import -window root "$WORK/small.png" || fail "screenshot failed"
  local row col
  row=$($CONVERT "$WORK/small.png" -crop "640x1+$WX+$((WY + 200))" +repage -depth 8 txt:- |
    awk 'NR > 1 { grey = ($0 ~ /#808080/); x = $1 + 0;
      if (!other && grey) left++; if (!grey) { other = 1; last = x } } END { print left + 0, 639 - last }')
  col=$($CONVERT "$WORK/small.png" -crop "1x400+$((WX + 320))+$WY" +repage -depth 8 txt:- |
    awk -F'[,:]' 'NR > 1 { grey = ($0 ~ /#808080/); y = $2 + 0;
      if (!other && grey) top++; if (!grey) { other = 1; last = y } } END { print top + 0, 399 - last }')
  BORDERS="left/right $row, top/bottom $col"
  local top bottom
  read -r top bottom <<<"$col"
  [ "$row" = "0 0" ] && [ "$top" -ge 21 ] && [ "$top" -le 23 ] && [ "$bottom" -ge 21 ] &&
    [ "$bottom" -le 23 ]
}
BORDERS=
retry 3 whole || fail "the play area is not shown whole in the 640x400 window: grey $BORDERS"
pass "640x400 window: the whole play area scaled down, grey $BORDERS"

# --- a click on the stage in the small window jumps ---
standing() { [ "$(field vy)" = 0.0 ]; }
retry 3 standing || fail "the girl never stood on the ground (vy $(field vy))"
mark=$(wc -l <"$TRACE")
# High on the stage, in the sky: the background picture, which takes clicks.
xdotool mousemove $((WX + 200)) $((WY + 90)) click 1
jumping() {
  JUMP_VY=$(tail -n +$((mark + 1)) "$TRACE" | awk '{ for (i = 1; i < NF; i++) if ($i == "vy" && $(i + 1) < 0) { print $(i + 1); exit } }')
  [ -n "$JUMP_VY" ]
}
retry 2 jumping || fail "a click on the stage of the small window did not jump: vy $(field vy)"
pass "click on the stage of the 640x400 window: jumps (vy $JUMP_VY)"

kill -TERM "$GAME_PID"
wait "$GAME_PID"
GAME_PID=
echo "all motion checks passed in $((SECONDS - START)) s"
