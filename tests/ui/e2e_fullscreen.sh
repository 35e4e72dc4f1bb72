#!/bin/bash
# End-to-end check of fullscreen under a private 1920x1080 X server with a window manager
# (openbox): F11 makes the window cover the screen, the menu picture and the play area are shown
# scaled up and centred, the mouse lands where the scaled picture shows things (a pointer over the
# middle of the stage does not steer, one over its right quarter steers right, one over its left
# quarter steers left, a click low on the stage jumps), and F11 again gives back the window with
# its size, place and layout; windowed too the game is scaled to fit the client area, which a
# large window shows grown. The game's state is read from its state trace (SKELVAR_STATE_TRACE).
#
# Usage: e2e_fullscreen.sh PATH/TO/skelvar
set -u
GAME=${1:?usage: e2e_fullscreen.sh PATH/TO/skelvar}
HERE=$(cd "$(dirname "$0")" && pwd)
ASSETS=$HERE/../../assets
CONVERT=convert
[ -x /usr/bin/convert ] && CONVERT=/usr/bin/convert
WORK=$(mktemp -d /tmp/skelvar-fullscreen.XXXXXX)
TRACE=$WORK/trace
FRAMES=$WORK/frames
START=$SECONDS
SCREEN_W=1920
SCREEN_H=1080

fail() {
  echo "FAIL: $*" >&2
  [ -f "$TRACE" ] && echo "  last state: $(tail -1 "$TRACE")" >&2
  [ -f "$WORK/game.err" ] && sed 's/^/  game stderr: /' "$WORK/game.err" | grep -v placeholder >&2
  exit 1
}

# shellcheck source=x11_session.sh
. "$HERE/x11_session.sh"
trap x11_cleanup EXIT

# --- a private X server at 1920x1080 with a window manager ---
x11_start_xvfb ${SCREEN_W}x${SCREEN_H}
x11_start_openbox

SKELVAR_STATE_TRACE=$TRACE SKELVAR_FRAME_LOG=$FRAMES "$GAME" >"$WORK/game.out" 2>"$WORK/game.err" &
GAME_PID=$!
x11_find_game_window

# The client area the game lays out in on W x H pixels: the designed 960 x 580 scaled to fill the
# tighter side, but never below its own size while the 900 x 500 play area fits (then the play
# area fills the tighter side), the pixels divided by that scale and rounded.
fitted() {
  awk -v w="$1" -v h="$2" 'BEGIN { s = w / 960; if (h / 580 < s) s = h / 580;
    if (s < 1) { s = 1; if (w / 900 < s) s = w / 900; if (h / 500 < s) s = h / 500 }
    printf "%dx%d\n", int(w / s + 0.5), int(h / s + 0.5) }'
}
# The frame's extents (left, right, top, bottom) that the window manager put around the window.
extents() { xprop -id "$WINDOW" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' '; }
# Windowed at its designed outer size: the client area plus the frame is 960 x 580.
windowed() {
  geometry
  local e
  e=$(extents)
  [ -n "$e" ] || return 1
  IFS=, read -r EL ER ET EB <<<"$e"
  SEEN="client ${WW}x$WH, frame $EL,$ER,$ET,$EB, game client $(field client)"
  [ $((WW + EL + ER)) = 960 ] && [ $((WH + ET + EB)) = 580 ] &&
    [ "$(field client)" = "$(fitted "$WW" "$WH")" ] && [ "$(field screen)" = "${WW}x$WH" ]
}
wait_for 10 "the window to settle at 960x580 with its frame" windowed
wait_trace 'opacity == 255' "the end of the fade-in"
geometry
WIN_X=$WX WIN_Y=$WY WIN_W=$WW WIN_H=$WH
WIN_GAME=$(field game)
pass "windowed: client ${WW}x$WH at $WX,$WY in a frame of $EL,$ER,$ET,$EB (960x580 outside), play area at $WIN_GAME"

shot() { import -window root "$WORK/$1.png" || fail "screenshot failed"; }
hex_rgb() {
  local hex
  read -r hex || return 0
  echo "$((16#${hex:0:2})) $((16#${hex:2:2})) $((16#${hex:4:2}))"
}
# Prints "R G B" of the mean colour of a screen area of a screenshot.
mean() {
  $CONVERT "$WORK/$1.png" -crop "${4}x${5}+$2+$3" +repage -resize '1x1!' -depth 8 txt:- |
    sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tail -1 | hex_rgb
}
near() {
  local a=($1) b=($2)
  for k in 0 1 2; do
    local d=$((a[k] - b[k]))
    [ ${d#-} -le "$3" ] || return 1
  done
}
# Lengths of the window grey (#808080) runs at both ends of a screen row or column:
# grey_runs FILE row Y | grey_runs FILE column X.
grey_runs() {
  local crop length
  if [ "$2" = row ]; then
    crop="${SCREEN_W}x1+0+$3" length=$SCREEN_W
  else
    crop="1x${SCREEN_H}+$3+0" length=$SCREEN_H
  fi
  $CONVERT "$WORK/$1.png" -crop "$crop" +repage -depth 8 txt:- |
    awk -F'[,: ]+' -v n="$length" -v axis="$2" 'NR > 1 { p = (axis == "row") ? $1 : $2; grey = ($0 ~ /#808080/);
      if (!other && grey) first++; if (!grey) { other = 1; last = p } }
      END { print first + 0, n - 1 - last }'
}

# --- F11: the window covers the screen, the game lays out in 1031 x 580 ---
xdotool key --window "$WINDOW" F11
covers() {
  geometry
  SEEN="${WW}x$WH at $WX,$WY"
  [ "$WX" = 0 ] && [ "$WY" = 0 ] && [ "$WW" = $SCREEN_W ] && [ "$WH" = $SCREEN_H ] &&
    [ "$(field screen)" = "${SCREEN_W}x$SCREEN_H" ]
}
wait_for 5 "F11 to make the window cover the screen" covers
client=$(field client)
[ "$client" = 1031x580 ] || fail "in fullscreen the game lays out in $client, not 1031x580"
xprop -id "$WINDOW" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN || fail "the window manager was not told of fullscreen"
pass "F11: the window covers the ${SCREEN_W}x$SCREEN_H screen; the game lays out in $client"

# --- the menu picture, scaled up: across the whole width, black bars above and below ---
menu_scaled() {
  shot menu
  MENU_MIDDLE=$(mean menu 0 500 $SCREEN_W 80)
  MENU_TOP=$(mean menu 0 0 $SCREEN_W 40)
  SEEN="middle band $MENU_MIDDLE, top $MENU_TOP"
  [ "$MENU_TOP" = "0 0 0" ] || return 1
  if [ -f "$ASSETS/imgMenu.jpg" ]; then
    # The 1600 x 800 picture fills the width (1920 x 959 on screen): rows 500..580 of the screen
    # are rows 380..447 of the picture.
    local expected
    expected=$($CONVERT "$ASSETS/imgMenu.jpg" -crop 1600x67+0+380 +repage -resize '1x1!' -depth 8 txt:- |
      sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tail -1 | hex_rgb)
    near "$MENU_MIDDLE" "$expected" 12
  else
    [ "$MENU_MIDDLE" != "0 0 0" ] && [ "$MENU_MIDDLE" != "128 128 128" ]
  fi
}
# The frame at the new size may come before the trace's next tick: the screen is looked at until it
# shows the menu across it.
wait_for 5 "the menu picture across the screen" menu_scaled
pass "menu picture across the screen (middle band $MENU_MIDDLE), black bar above"

# --- a click on the menu picture starts a run; the play area is scaled up and centred ---
xdotool mousemove 960 540 click 1
wait_trace 's == 0' "a run started by a click on the menu picture" 5
wait_frame "$TRACED_AT"
play_scaled() {
  shot play
  read -r LEFT RIGHT <<<"$(grey_runs play row 540)"
  read -r TOP BOTTOM <<<"$(grey_runs play column 960)"
  # 1031 x 580 units on 1920 x 1080 pixels: the 900 x 500 play area is about 1676 x 931 pixels,
  # with grey borders of about 122 pixels left and right and 74 above and below.
  [ "$LEFT" -ge 110 ] && [ "$LEFT" -le 135 ] && [ "$RIGHT" -ge 110 ] && [ "$RIGHT" -le 135 ] &&
    [ "$TOP" -ge 65 ] && [ "$TOP" -le 85 ] && [ "$BOTTOM" -ge 65 ] && [ "$BOTTOM" -le 85 ] || return 1
  PLAY_W=$((SCREEN_W - LEFT - RIGHT)) PLAY_H=$((SCREEN_H - TOP - BOTTOM))
  # The pale stage fills the upper part of that area (sky and hills).
  STAGE=$(mean play $((LEFT + 20)) $((TOP + 20)) $((PLAY_W - 40)) $((PLAY_H / 3)))
  near "$STAGE" "255 248 255" 14
}
play_scaled || fail "the play area is not scaled up and centred: grey borders left ${LEFT:-?} right ${RIGHT:-?} top ${TOP:-?} bottom ${BOTTOM:-?}, stage ${STAGE:-?}"
pass "play area ${PLAY_W}x$PLAY_H on screen, grey borders left $LEFT right $RIGHT top $TOP bottom $BOTTOM, stage colour $STAGE"

# --- the mouse, at screen points taken from the picture ---
SKY_Y=$((TOP + PLAY_H / 5))
# The game steers by the mouse at each move of the pointer over the stage once a move has switched
# mouse steering on: the pointer goes to x, a pixel right and back, over the sky. Moves that reach
# the game show in the trace as mouse steering on.
pointer_at() { xdotool mousemove "$1" "$SKY_Y" mousemove $(($1 + 1)) "$SKY_Y" mousemove "$1" "$SKY_Y"; }
traced 'vx == 0' || fail "the girl is not standing after a start by mouse (vx $(field vx))"
# In the middle half of the play area: no steering. (Not divided by the scale, these points would
# lie in the right quarter of a 900-unit play area.)
MIDDLE_X=$((LEFT + PLAY_W / 2))
mark=$(ticks_run)
pointer_at $MIDDLE_X
wait_trace 'mouse == 1' "mouse steering on after the pointer moved over the stage" 5
wait_ticks 4
! traced_since "$mark" 'vx != 0' || fail "a pointer at x $MIDDLE_X (the middle of the play area) steered"
pass "pointer over the middle of the play area (x $MIDDLE_X): mouse steering on, no steering in 4 ticks"
RIGHT_X=$((LEFT + PLAY_W * 3 / 4 + PLAY_W / 20))
mark=$(ticks_run)
pointer_at $RIGHT_X
steered() { traced_since "$mark" "$1"; }
wait_for 5 "a tick with her running right after the pointer moved in the right quarter (x $RIGHT_X)" steered 'vx > 0'
pass "pointer in the right quarter of the play area (x $RIGHT_X): steers right"

# A click low on the stage (below the 580-unit client area if it were not divided by the scale).
CLICK_X=$((LEFT + PLAY_W * 3 / 10)) CLICK_Y=$((TOP + PLAY_H * 3 / 5))
wait_trace 'vy == 0' "the girl standing on the ground" 5
mark=$(ticks_run)
xdotool mousemove $CLICK_X $CLICK_Y click 1
wait_for 5 "a tick with her rising after a click on the stage at $CLICK_X,$CLICK_Y" steered 'vy < 0'
pass "click on the stage at $CLICK_X,$CLICK_Y: jumps"
LEFT_X=$((LEFT + PLAY_W / 10))
mark=$(ticks_run)
pointer_at $LEFT_X
wait_for 5 "a tick with her running left after the pointer moved in the left quarter (x $LEFT_X)" steered 'vx < 0'
pass "pointer in the left quarter of the play area (x $LEFT_X): steers left"

# --- F11 again: the window as it was, the game reaches it as a key too ---
# The pointer waits in the grey corner, outside the play area now and the window afterwards.
xdotool mousemove 5 5
wait_ticks 2
traced 'mouse == 1' || fail "mouse steering went off without a key"
xdotool key --window "$WINDOW" F11
restored() {
  geometry
  SEEN="${WW}x$WH at $WX,$WY, game client $(field client)"
  [ "$WX" = "$WIN_X" ] && [ "$WY" = "$WIN_Y" ] && [ "$WW" = "$WIN_W" ] && [ "$WH" = "$WIN_H" ] &&
    [ "$(field client)" = "$(fitted "$WIN_W" "$WIN_H")" ] && [ "$(field screen)" = "${WIN_W}x$WIN_H" ]
}
wait_for 5 "F11 again to give back the ${WIN_W}x$WIN_H window at $WIN_X,$WIN_Y" restored
[ "$(field game)" = "$WIN_GAME" ] || fail "the play area is at $(field game) after leaving fullscreen, not $WIN_GAME"
[ "$(field mouse)" = 0 ] || fail "F11 did not reach the game as a key (mouse steering still on)"
windowed || fail "the window is not 960x580 with its frame after leaving fullscreen"
IFS=, read -r GAME_L GAME_T <<<"$WIN_GAME"
window_layout() {
  shot windowed
  # The play area at the window's scale again: grey from the window's left edge to the play
  # area's left edge mapped onto the client area's pixels.
  local row client_w want
  client_w=$(fitted "$WIN_W" "$WIN_H" | cut -dx -f1)
  want=$(awk -v l="$GAME_L" -v w="$WIN_W" -v c="$client_w" 'BEGIN { printf "%d", l * w / c + 0.5 }')
  row=$($CONVERT "$WORK/windowed.png" -crop "${WIN_W}x1+$WIN_X+$((WIN_Y + WIN_H / 2))" +repage -depth 8 txt:- |
    awk 'NR > 1 { grey = ($0 ~ /#808080/); if (!other && grey) first++; if (!grey) other = 1 } END { print first + 0 }')
  [ "$row" = "$want" ]
}
wait_for 5 "the window's play area back at its own size at $WIN_GAME on the screen" window_layout
pass "F11 again: the ${WIN_W}x$WIN_H window back at $WIN_X,$WIN_Y (960x580 with its frame), play area at $WIN_GAME, F11 seen by the game as a key"

# --- a large window shows the game grown as fullscreen does: 1600 / 960 is wider than 900 / 580,
# so the height is filled and the logic lays out in 1031 x 580 ---
xdotool windowsize "$WINDOW" 1600 900
large() {
  geometry
  SEEN="${WW}x$WH laid out as $(field client) on $(field screen), play area at $(field game)"
  [ "$WW" = 1600 ] && [ "$WH" = 900 ] && [ "$(field client)" = 1031x580 ] &&
    [ "$(field screen)" = 1600x900 ] && [ "$(field game)" = 65,40 ]
}
wait_for 5 "a 1600x900 window laid out in 1031x580 with the play area at 65,40" large
pass "a 1600x900 window: scaled up, the logic lays out in $(field client), play area at $(field game)"

kill -TERM "$GAME_PID"
wait "$GAME_PID"
GAME_PID=
echo "all fullscreen checks passed in $((SECONDS - START)) s"
