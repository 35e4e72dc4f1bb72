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

# Waits until COMMAND succeeds, looking every 50 ms for at most SECONDS; when it never does, fails
# naming WHAT it waited for and what the command last saw, if it set SEEN. It only looks: no
# input is sent again while waiting.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  SEEN=
  until "$@"; do
    [ $SECONDS -lt $deadline ] || fail "waited $seconds s for $what${SEEN:+ (last seen: $SEEN)}"
    sleep 0.05
  done
}

# One passed check.
pass() { echo "ok: $*"; }

x11_stop() {
  # A game held still (x11_hold_game) only ends once it goes on.
  [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null && kill -CONT "$GAME_PID" 2>/dev/null
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
  wait_for 10 "Xvfb to report its display number (log: $WORK/xvfb.log)" x11_has_display
  export DISPLAY=:$(head -1 "$WORK/display")
  unset WAYLAND_DISPLAY SDL_VIDEODRIVER
  x11_answers() { xdpyinfo >/dev/null 2>&1; }
  wait_for 10 "Xvfb on $DISPLAY to answer" x11_answers
}

# Starts openbox with a private configuration and waits until it manages the screen.
x11_start_openbox() {
  HOME=$WORK XDG_CONFIG_HOME=$WORK/config XDG_CACHE_HOME=$WORK/cache openbox --sm-disable \
    >"$WORK/wm.log" 2>&1 &
  WM_PID=$!
  x11_wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
  wait_for 10 "openbox to manage the screen (log: $WORK/wm.log)" x11_wm_ready
}

# Waits for the visible window of GAME_PID and sets WINDOW to its id.
x11_find_game_window() {
  x11_game_window() {
    WINDOW=$(xdotool search --onlyvisible --pid "$GAME_PID" 2>/dev/null | head -1)
    [ -n "$WINDOW" ]
  }
  wait_for 10 "the game's window to be shown" x11_game_window
}

# Sets WX, WY, WW and WH to WINDOW's place on the screen and its size.
geometry() {
  eval "$(xwininfo -id "$WINDOW" | awk '/Absolute upper-left X/ {print "WX=" $NF}
    /Absolute upper-left Y/ {print "WY=" $NF} /Width:/ {print "WW=" $NF} /Height:/ {print "WH=" $NF}')"
}

# The last value of a field ("state", "vx", "client", ...) in the game's state trace at TRACE.
field() { tail -1 "$TRACE" 2>/dev/null | awk -v k="$1" '{ for (i = 1; i < NF; i++) if ($i == k) print $(i + 1) }'; }

# --- waiting on the game's own word: its state trace (a line a game tick, SKELVAR_STATE_TRACE at
# TRACE) and its frame log (a line a presented frame with the ticks run by then, SKELVAR_FRAME_LOG
# at FRAMES) ---

# How many game ticks the window has run: the trace's lines.
ticks_run() { if [ -f "$TRACE" ]; then wc -l <"$TRACE"; else echo 0; fi; }

# An awk program that sets s (the state), x, y, vx, vy, tick, mouse, opacity, client, game and
# screen from a trace line and then runs BODY.
trace_awk() {
  echo '{ for (i = 1; i < NF; i += 2) f[$i] = $(i + 1); s = f["state"]; x = f["x"]; y = f["y"];
    vx = f["vx"]; vy = f["vy"]; tick = f["tick"]; mouse = f["mouse"]; opacity = f["opacity"];
    client = f["client"]; game = f["game"]; screen = f["screen"]; '"$1"' }'
}

# Whether the trace's last tick satisfies an awk condition on its fields, named as the trace names
# them with the state as s: 's == 0 && vx > 0', 'opacity == 255', 'screen == "640x400"'.
traced() {
  tail -1 "$TRACE" 2>/dev/null | awk "$(trace_awk "if ($1) hit = 1") END { exit !hit }"
}

# Whether a tick after trace line MARK satisfies CONDITION (as traced takes it).
traced_since() {
  tail -n +$(($1 + 1)) "$TRACE" 2>/dev/null |
    awk "$(trace_awk "if ($2) { hit = 1; exit }") END { exit !hit }"
}

# Waits up to SECONDS (20) until the trace's last tick satisfies CONDITION (as traced takes it);
# WHAT names it. TRACED_AT is then the trace line from which on the condition has held.
wait_trace() {
  wait_for "${3:-20}" "$2 (the state trace's '$1')" traced "$1"
  TRACED_AT=$(awk "$(trace_awk "if ($1) { if (!held) from = NR; held = 1 } else held = 0") END { print from }" "$TRACE")
}

# Waits until N more game ticks have run.
wait_ticks() {
  local target=$(($(ticks_run) + $1))
  ran_to() { [ "$(ticks_run)" -ge "$target" ]; }
  wait_for $((5 + $1 / 5)) "$1 more game ticks (to trace line $target)" ran_to
}

# The ticks run when the last frame was presented (empty before the first).
last_frame() { tail -1 "$FRAMES" 2>/dev/null | awk '{ print $2 }'; }

# Waits until a frame presented after N game ticks (the game's present goes through the X server
# before the frame log's line is written, so a screenshot then shows it).
wait_frame() {
  frame_since() { local f; f=$(last_frame); [ -n "$f" ] && [ "$f" -ge "$1" ]; }
  wait_for 10 "a frame presented after $1 game ticks (the frame log)" frame_since "$1"
}

# Waits until the game has presented a frame at SIZE pixels (WxH): it draws one in the turn of its
# loop after it took the size, which comes before the turn of the first tick traced at that size
# ends, so once one more tick has run after it.
wait_drawn_at() {
  wait_trace "screen == \"$1\"" "the game to draw to $1 pixels"
  wait_ticks 1
}

# Stops the game (SIGSTOP) and lets it go on (SIGCONT): while stopped, the screen holds the last
# frame it presented, so a screenshot shows one known tick however long reading the screen takes.
x11_hold_game() { kill -STOP "$GAME_PID"; }
x11_release_game() { kill -CONT "$GAME_PID"; }

# Presses KEY in the game's window and holds it until the trace's last tick satisfies CONDITION:
# the game looks at the keys once a tick, so a press is seen by its effect, never by a time.
press_until() {
  local key=$1 condition=$2 what=$3
  xdotool keydown --window "$WINDOW" "$key"
  wait_trace "$condition" "$what"
  xdotool keyup --window "$WINDOW" "$key"
}
