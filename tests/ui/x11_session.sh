# Shared by the window tests: a private X server (and optionally a window manager) for the game.
# Source it after setting WORK (a scratch folder) and defining fail MESSAGE; then
# `trap x11_cleanup EXIT`.

# The game keeps its record and settings in the scratch folder, never in the tester's home.
export XDG_STATE_HOME=$WORK/state XDG_CONFIG_HOME=$WORK/config
# The game plays into SDL's silent device unless a test names another, so whether the machine has
# a sound card never changes what a test sees on standard error.
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

XVFB_PID=
WM_PID=
GAME_PID=

# Repeats a command every 50 ms until it succeeds or `seconds` pass.
retry() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.05
  done
}

# One passed check.
pass() { echo "ok: $*"; }

x11_stop() {
  [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null
  [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
}

# Stops the game and the X session and removes WORK.
x11_cleanup() {
  x11_stop
  rm -rf "$WORK"
}

# Starts Xvfb with one screen of WIDTHxHEIGHT on a display number it picks itself, and points
# DISPLAY at it. -noreset: otherwise the server resets when its last client (the readiness probe)
# leaves, and a program connecting during that reset is turned away.
x11_start_xvfb() {
  : >"$WORK/display"  # a stale number from an earlier server must not be read
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  x11_has_display() { [ -s "$WORK/display" ]; }
  retry 10 x11_has_display || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
  export DISPLAY=:$(head -1 "$WORK/display")
  unset WAYLAND_DISPLAY SDL_VIDEODRIVER
  retry 10 xdpyinfo >/dev/null 2>&1 || fail "Xvfb on $DISPLAY does not answer"
}

# Starts openbox with a private configuration and waits until it manages the screen.
x11_start_openbox() {
  HOME=$WORK XDG_CONFIG_HOME=$WORK/config XDG_CACHE_HOME=$WORK/cache openbox --sm-disable \
    >"$WORK/wm.log" 2>&1 &
  WM_PID=$!
  x11_wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
  retry 10 x11_wm_ready || fail "openbox did not start: $(cat "$WORK/wm.log")"
}

# Waits for the visible window of GAME_PID and sets WINDOW to its id.
x11_find_game_window() {
  x11_game_window() {
    WINDOW=$(xdotool search --onlyvisible --pid "$GAME_PID" 2>/dev/null | head -1)
    [ -n "$WINDOW" ]
  }
  retry 10 x11_game_window || fail "the game window did not appear"
}

# Sets WX, WY, WW and WH to WINDOW's place on the screen and its size.
geometry() {
  eval "$(xwininfo -id "$WINDOW" | awk '/Absolute upper-left X/ {print "WX=" $NF}
    /Absolute upper-left Y/ {print "WY=" $NF} /Width:/ {print "WW=" $NF} /Height:/ {print "WH=" $NF}')"
}

# The last value of a field ("state", "vx", "client", ...) in the game's state trace at TRACE.
field() { tail -1 "$TRACE" 2>/dev/null | awk -v k="$1" '{ for (i = 1; i < NF; i++) if ($i == k) print $(i + 1) }'; }
