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
wait_trace 'opacity == 255' "the end of the fade-in"
[ -s "$FRAMES" ] || fail "no frame was logged at all"
bad=$(awk 'NF != 3 || $1 !~ /^[0-9]+\.[0-9]+$/ || $2 !~ /^[0-9]+$/ || ($3 != "-" && $3 !~ /^-?[0-9]+$/)' "$FRAMES" | head -1)
[ -z "$bad" ] || fail "a frame log line is not 'milliseconds ticks x': $bad"
before=$(lines)
wait_ticks 40
after=$(lines)
[ "$after" = "$before" ] || fail "$((after - before)) frames presented in 40 ticks at rest at the menu"
pass "menu at rest: no frame in 40 ticks ($before frames logged before, all while starting and fading in)"

# --- running right: frames between ticks, the background at several places within a tick ---
xdotool keydown --window "$WINDOW" Right
wait_trace 's == 0' "a run started by Right"
# Over 30 ticks from just after the start: the background moves, and some tick intervals (frames
# logged with the same tick count) show it at two or more places. How evenly the frames are placed
# is the schedule's to say on an injected clock (its tests) and the replay tool's to draw exactly.
wait_ticks 6
from=$(lines)
wait_ticks 30
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
[ "$moved" = 1 ] || fail "the background did not move in 30 ticks of running"
[ "$ticks" -ge 2 ] || fail "frames of only $ticks ticks were drawn in 30 ticks of play"
[ "$spread" -ge 1 ] ||
  fail "no tick interval of $ticks showed the background at two or more places"
pass "running right: the background moves, at 2+ places in $spread of $ticks tick intervals"

# --- on into the first obstacle: when the outcome picture has slid in and stopped (its last step
# is on outcome tick 55), one more frame shows it at its final place, then none follow ---
# Right is let go at the contact: held on into the finished outcome it would go back to the menu.
xdotool keydown --window "$WINDOW" Right
wait_trace 's == 1' "a contact with the first obstacle"
xdotool keyup --window "$WINDOW" Right
wait_trace 's == 2' "the finished outcome"
# The state trace has a line a tick, so the line of outcome tick 56 counts the ticks run by then.
stopped=$(awk '$1 == "tick" && $2 == 56 && $4 == 1 { print NR; exit }' "$TRACE")
[ -n "$stopped" ] || fail "no outcome tick 56 in the state trace"
wait_frame "$stopped"
wait_ticks 20
last=$(last_frame)
[ "$last" = "$stopped" ] ||
  fail "the last frame was drawn after $last ticks, not after the tick that ended the motion ($stopped)"
before=$(lines)
wait_ticks 20
[ "$(lines)" = "$before" ] || fail "frames presented in 20 ticks at rest at the finished outcome"
pass "finished outcome: the last frame after tick $stopped, where the motion ended, and none at rest"

# --- back at the menu, at rest again ---
# Esc goes back to the menu from the finished outcome; returning to the menu clears the held keys,
# so the rest of the hold does not reach the menu, where it would end the program.
press_until Escape 's == -1' "the menu after Esc"
wait_frame "$TRACED_AT"
# The menu's first ticks may still present a frame: the count starts 6 ticks in.
wait_ticks 6
before=$(lines)
wait_ticks 30
after=$(lines)
[ "$after" = "$before" ] || fail "$((after - before)) frames presented in 30 ticks at the menu after a run"
pass "back at the menu: no frame in 30 ticks"

# --- a 640 x 400 window shows the whole play area scaled down ---
xdotool windowsize "$WINDOW" 640 400
small() { geometry; [ "$WW" = 640 ] && [ "$WH" = 400 ]; }
wait_for 5 "the window to take the size 640x400" small
press_until Up 's == 0' "a run started by Up in the small window"
run_at=$TRACED_AT
# 640 x 400 pixels are too small for the 900 x 500 play area: it fills the width, 640 / 900, the
# logic lays out in 900 x 563 units with the play area at 0, 31, so on the pixels it spans the
# whole width and about 22 to 378 down.
wait_trace 'client == "900x563" && game == "0,31" && screen == "640x400"' "the 640x400 window's layout"
# The run's first frame, drawn at its new picture, came after the window took its new size.
wait_frame "$run_at"
import -window root "$WORK/small.png" || fail "screenshot failed"
row=$($CONVERT "$WORK/small.png" -crop "640x1+$WX+$((WY + 200))" +repage -depth 8 txt:- |
  awk 'NR > 1 { grey = ($0 ~ /#808080/); x = $1 + 0;
    if (!other && grey) left++; if (!grey) { other = 1; last = x } } END { print left + 0, 639 - last }')
col=$($CONVERT "$WORK/small.png" -crop "1x400+$((WX + 320))+$WY" +repage -depth 8 txt:- |
  awk -F'[,:]' 'NR > 1 { grey = ($0 ~ /#808080/); y = $2 + 0;
    if (!other && grey) top++; if (!grey) { other = 1; last = y } } END { print top + 0, 399 - last }')
BORDERS="left/right $row, top/bottom $col"
read -r top bottom <<<"$col"
[ "$row" = "0 0" ] && [ "$top" -ge 21 ] && [ "$top" -le 23 ] && [ "$bottom" -ge 21 ] &&
  [ "$bottom" -le 23 ] || fail "the play area is not shown whole in the 640x400 window: grey $BORDERS"
pass "640x400 window: the whole play area scaled down, grey $BORDERS"

# --- a click on the stage in the small window jumps ---
wait_trace 'vy == 0' "the girl standing on the ground"
mark=$(ticks_run)
# High on the stage, in the sky: the background picture, which takes clicks.
xdotool mousemove $((WX + 200)) $((WY + 90)) click 1
rising() { traced_since "$mark" 'vy < 0'; }
wait_for 5 "a tick with her rising after a click on the stage of the small window" rising
pass "click on the stage of the 640x400 window: jumps (vy $(tail -n +$((mark + 1)) "$TRACE" | awk '$12 < 0 { print $12; exit }'))"

kill -TERM "$GAME_PID"
wait "$GAME_PID"
GAME_PID=
echo "all motion checks passed in $((SECONDS - START)) s"
