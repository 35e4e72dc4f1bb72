#!/bin/bash
# End-to-end check of the window's two renderers under a private X server, whose OpenGL is Mesa's
# llvmpipe: left to itself the game refuses that driver and draws with SDL's software renderer,
# whether it learns so before making the window or from the OpenGL renderer it made (when
# SDL_RENDER_DRIVER names one that cannot be made); forced to OpenGL (SDL_RENDER_DRIVER=opengl)
# it draws the menu and a frame of a run as the software renderer does, at the designed 960 x 580
# and in a window of 1200 x 725, where the pictures are filtered up.
#
# Two screenshots match when in every part of the window (a 4 x 4 grid) fewer than 2 % of the
# pixels of either differ by more than 5 % from all the pixels of the other within one pixel of
# theirs: the software renderer's scaled copies place a picture to within a pixel of where the
# graphics card's filtering puts it, and filtering differs a little in its rounding.
#
# Usage: e2e_renderers.sh PATH/TO/skelvar
set -u
GAME=${1:?usage: e2e_renderers.sh PATH/TO/skelvar}
HERE=$(cd "$(dirname "$0")" && pwd)
CONVERT=convert
[ -x /usr/bin/convert ] && CONVERT=/usr/bin/convert
WORK=$(mktemp -d /tmp/skelvar-renderers.XXXXXX)
TRACE=$WORK/trace
FRAMES=$WORK/frames
START=$SECONDS

fail() {
  echo "FAIL: $*" >&2
  [ -f "$TRACE" ] && echo "  last state: $(tail -1 "$TRACE")" >&2
  [ -f "$WORK/game.err" ] && sed 's/^/  game stderr: /' "$WORK/game.err" | grep -v placeholder >&2
  exit 1
}

# shellcheck source=x11_session.sh
. "$HERE/x11_session.sh"
trap x11_cleanup EXIT
x11_start_xvfb 1600x1000

tick() { tail -1 "$TRACE" 2>/dev/null | awk '$1 == "tick" && $4 == 0 { print $2 }'; }
shot() { import -window root -crop "${WW}x$WH+$WX+$WY" +repage "$WORK/$1.png" || fail "screenshot failed"; }

# Starts the game with the renderer variable given (empty: unset), sizes its window to SIZE and
# takes NAME-menu.png once the fade is over and NAME-run.png of a run started with a click and
# left alone: from tick 28 to 57 the view has settled and the first remark still shows, so that
# two starts show the same frame. RENDERER is set to what the start-up trace says of it.
take() {
  local name=$1 driver=$2 size=$3
  : >"$TRACE"
  rm -f "$FRAMES"
  env -u SDL_RENDER_DRIVER ${driver:+SDL_RENDER_DRIVER=$driver} SKELVAR_TRACE_STARTUP=1 \
    SKELVAR_STATE_TRACE="$TRACE" SKELVAR_FRAME_LOG="$FRAMES" "$GAME" >"$WORK/game.out" 2>"$WORK/game.err" &
  GAME_PID=$!
  x11_find_game_window
  xdotool windowsize "$WINDOW" "${size%x*}" "${size#*x}"
  sized() { geometry; SEEN="${WW}x$WH"; [ "${WW}x$WH" = "$size" ]; }
  wait_for 5 "the window to take the size $size" sized
  wait_drawn_at "$size"
  wait_trace 'opacity == 255' "the end of the fade-in"
  shot "$name-menu"
  run_frame "$name"
  kill "$GAME_PID"
  wait "$GAME_PID" 2>/dev/null
  GAME_PID=
  RENDERER=$(sed -n 's/^skelvar: renderer \([a-z0-9]* (.*\)/\1/p' "$WORK/game.err")
}

# Starts a run with a click and takes NAME-run.png at a settled tick, with the game held still.
run_frame() {
  local name=$1
  xdotool mousemove $((WX + WW / 2)) $((WY + WH / 2)) click 1
  wait_trace 's == 0 && tick >= 28' "tick 28 of a run started with a click"
  x11_hold_game
  traced 's == 0 && tick <= 57' || fail "the run with $name was past its settled ticks 28 to 57 when held: $(tail -1 "$TRACE")"
  shot "$name-run"
  x11_release_game
}
# How many pixels of A, at most, in any cell of a 4 x 4 grid, in hundredths of a per cent of the
# cell, differ by more than 5 % from every pixel of B within one pixel of them.
worst_cell() {
  local a=$WORK/$1.png b=$WORK/$2.png
  $CONVERT "$a" \( "$b" -morphology Dilate Square:1 \) -compose Minus_Src -composite "$WORK/over.png"
  $CONVERT \( "$b" -morphology Erode Square:1 \) "$a" -compose Minus_Src -composite "$WORK/under.png"
  $CONVERT "$WORK/over.png" "$WORK/under.png" -compose Lighten -composite -separate \
    -evaluate-sequence Max -threshold 5% -crop 4x4@ +repage -format '%[fx:int(mean*10000+0.5)]\n' info: |
    sort -n | tail -1
}
# Fails unless the software and the OpenGL screenshot of a picture match both ways.
same_picture() {
  local what=$1 software=$2 opengl=$3 one other
  one=$(worst_cell "$software" "$opengl")
  other=$(worst_cell "$opengl" "$software")
  [ -n "$one" ] && [ -n "$other" ] || fail "could not compare the screenshots of $what"
  [ "$one" -lt 200 ] && [ "$other" -lt 200 ] ||
    fail "$what: OpenGL and software differ in $one and $other hundredths of a per cent of a grid cell"
  pass "$what: OpenGL matches software (worst grid cell $one and $other hundredths of a per cent)"
}

for size in 960x580 1200x725; do
  if [ "$size" = 960x580 ]; then
    # Left to itself, it learns that OpenGL is a software rasteriser before making the window.
    take software "" "$size"
    echo "$RENDERER" | grep -Eq '^software \(refused opengl: .*(llvmpipe|softpipe|swrast)' ||
      fail "the software renderer was not chosen over llvmpipe by itself: $RENDERER"
    pass "by itself: renderer $RENDERER"
  else
    # A renderer SDL cannot make: the game chooses by itself, from the OpenGL renderer it made.
    take software nonesuch "$size"
    echo "$RENDERER" | grep -Eq '^software \(SDL_RENDER_DRIVER=nonesuch could not be made; refused opengl: .*(llvmpipe|softpipe|swrast)' ||
      fail "with SDL_RENDER_DRIVER=nonesuch the software renderer was not chosen over llvmpipe: $RENDERER"
    pass "SDL_RENDER_DRIVER=nonesuch: renderer $RENDERER"
  fi
  take opengl opengl "$size"
  echo "$RENDERER" | grep -q '^opengl (as SDL_RENDER_DRIVER=opengl asks)' ||
    fail "SDL_RENDER_DRIVER=opengl did not give the OpenGL renderer (is libgl1-mesa-dri installed?): $RENDERER"
  grep -q 'with vsync' "$WORK/game.err" || fail "the OpenGL renderer does not present with vsync"
  same_picture "menu at $size" software-menu opengl-menu
  same_picture "a run at $size" software-run opengl-run
done
echo "all renderer checks passed in $((SECONDS - START)) s"
