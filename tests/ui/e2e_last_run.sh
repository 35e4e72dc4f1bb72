#!/bin/bash
# The real window, played under a private X server with its clocks set ten years ahead and keys held
# long enough for the server's own key repeat: a long first run steered right with a jump, left by
# Esc, then a second run that ends on a contact, its code copied with Ctrl+C during the outcome and
# the window closed. The code copied and the run kept for the player hold the second run alone: the
# verdict counts its steps as the window's trace does, the replay tool gives the trace tick for tick
# from its first, and nothing in it reads as the date or the clock's count.
#
# Usage: e2e_last_run.sh PATH/TO/skelvar PATH/TO/skelvar-replay
set -u
GAME=${1:?usage: e2e_last_run.sh PATH/TO/skelvar PATH/TO/skelvar-replay}
REPLAY=${2:?usage: e2e_last_run.sh PATH/TO/skelvar PATH/TO/skelvar-replay}
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/skelvar-e2e-last-run.XXXXXX)
TRACE=$WORK/trace

fail() {
  echo "FAIL: $*" >&2
  [ -f "$WORK/game.err" ] && sed 's/^/  game stderr: /' "$WORK/game.err" | grep -v placeholder >&2
  exit 1
}

# shellcheck source=x11_session.sh
. "$HERE/x11_session.sh"
trap x11_cleanup EXIT
KEPT=$XDG_STATE_HOME/skelvar/last-run
# The game itself preloads the library (the faketime command would start it as its own child).
FAKETIME_LIB=$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 2>/dev/null | head -1)
[ -n "$FAKETIME_LIB" ] || fail "libfaketime is not installed (Debian package libfaketime)"
command -v xclip >/dev/null || fail "xclip is not installed (Debian package xclip)"

x11_start_xvfb 1280x1024
# A quick repeat, so that a held key comes back within a few game ticks.
xset r on
xset r rate 200 30
# Esc does not repeat: held on at the menu it would end the game, as a second press does.
xset -r "$(xmodmap -pke | awk '/= Escape/ { print $2; exit }')"

# Ten years ahead, the monotonic clock too: a code that held a reading of either would show it.
SKELVAR_STATE_TRACE=$TRACE LD_PRELOAD=$FAKETIME_LIB FAKETIME='+3650d' "$GAME" >"$WORK/game.out" 2>"$WORK/game.err" &
GAME_PID=$!
x11_find_game_window
xdotool windowfocus --sync "$WINDOW" 2>/dev/null || true

# Waits until the trace's last tick satisfies an awk condition on state, x, vx and vy.
until_trace() {
  WANT=$1
  has() {
    local s
    s=$(field state)
    [ -n "$s" ] && awk -v s="$s" -v x="$(field x)" -v vx="$(field vx)" -v vy="$(field vy)" "BEGIN { exit !($WANT) }"
  }
  retry 20 has || fail "the game never reached: $WANT (last: $(tail -1 "$TRACE" 2>/dev/null))"
}

until_trace 's == -1'
xdotool keydown Right
# The first press starts the run and clears the keys; only the repeats make her run on.
until_trace 's == 0 && x > 1800'
xdotool keyup Right
# Jumps where she comes to rest, short of the first obstacle.
until_trace 's == 0 && vx == 0'
xdotool keydown Up
until_trace 's == 0 && vy != 0'
xdotool keyup Up
until_trace 's == 0 && vy == 0'
xdotool keydown Escape
until_trace 's == -1'
xdotool keyup Escape
second=$(($(wc -l <"$TRACE") + 1))
xdotool keydown Right
until_trace 's == 1'
xdotool keyup Right
xdotool key ctrl+c
copied() { xclip -selection clipboard -o >"$WORK/copied" 2>/dev/null && [ -s "$WORK/copied" ]; }
retry 10 copied || fail "Ctrl+C during the outcome put no code on the clipboard"
pass "played: a long run left by Esc, a second run into an obstacle, its code copied"

# Closed as the desktop closes it at the end of a session.
kill -TERM "$GAME_PID"
wait "$GAME_PID"
status=$?
GAME_PID=
[ $status -eq 0 ] || fail "the game ended with status $status"
[ -s "$KEPT" ] || fail "no run was kept in $KEPT"
"$REPLAY" --verify "$WORK/copied" >"$WORK/copied.json" || fail "the copied code: $(cat "$WORK/copied.json")"
"$REPLAY" --verify "$KEPT" >"$WORK/kept.json" || fail "the kept run: $(cat "$WORK/kept.json")"
"$REPLAY" --run "$KEPT" >"$WORK/replay.json" 2>"$WORK/replay.err" ||
  fail "the replay tool refused the kept run: $(cat "$WORK/replay.err")"

python3 - "$TRACE" "$second" "$WORK/replay.json" "$WORK/copied.json" "$WORK/kept.json" "$KEPT" <<'PY' || fail "the kept run is not the second run alone"
import base64, json, struct, sys, time
trace = [line.split() for line in open(sys.argv[1])][int(sys.argv[2]) - 1:]
replay = [json.loads(line) for line in open(sys.argv[3])]
copied, kept = (json.loads(open(p).read()) for p in sys.argv[4:6])
def window(t):
    f = dict(zip(t[0::2], t[1::2]))
    return (int(f["tick"]), int(f["state"]), int(f["x"]), int(f["y"]), f["vx"], f["vy"])
def replayed(r):
    return (r["TickCount"], r["GameState"], r["PosX"][0], r["PosY"][0],
            format(r["VelX"][0], ".1f"), format(r["VelY"][0], ".1f"))
trace = [window(t) for t in trace]
while trace and trace[0][1] != 0:
    trace.pop(0)
if len(replay) > len(trace):
    sys.exit(f"the kept run has {len(replay)} ticks, the window ran {len(trace)} from its start")
for k, (t, r) in enumerate(zip(trace, replay), 1):
    if t != replayed(r):
        sys.exit(f"tick {k} of the second run: window {t}, replay {replayed(r)}")
# The tick of the contact took a step of its own before the outcome began.
steps = next(k for k, t in enumerate(trace) if t[1] != 0) + 1
for name, v in (("copied", copied), ("kept", kept)):
    if v["ended"] != "actor" or v["cleared"] or v["ticks"] != steps:
        sys.exit(f"the {name} code's verdict {v} is not the second run's {steps} steps into an actor")
if copied["id"] != kept["id"]:
    sys.exit(f"the copied code and the kept run name other runs: {copied['id']} {kept['id']}")
# No eight bytes of the code read as a date in days or seconds, nor as the clock's count of seconds.
code = open(sys.argv[6]).read().strip()
raw = base64.urlsafe_b64decode(code + "=" * (-len(code) % 4))
now = time.time() + 3650 * 86400
for i in range(len(raw) - 7):
    (v,) = struct.unpack("<d", raw[i:i + 8])
    if 25569 + now / 86400 - 400 < v < 25569 + now / 86400 + 400 or 1e8 < v < 1e10:
        sys.exit(f"bytes {i} to {i + 8} of the code read as a clock reading: {v}")
print(f"ok: {len(replay)} ticks alike from the second run's start, {steps} steps, {len(code)} characters")
PY
pass "the copied and the kept code hold the second run alone, and no clock reading"
