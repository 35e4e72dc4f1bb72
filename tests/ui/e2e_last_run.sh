#!/bin/bash
# The real window, played under a private X server with keys held long enough for the server's own
# key repeat: a run steered right, a jump, Esc back to the menu and a new run, then the window
# closed. The run it keeps for the player, played by the replay tool with the options its first
# line names, gives the window's state trace tick for tick (tick, state, place and speed).
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

x11_start_xvfb 1280x1024
# A quick repeat, so that a held key comes back within a few game ticks.
xset r on
xset r rate 200 30
# Esc does not repeat: held on at the menu it would end the game, as a second press does.
xset -r "$(xmodmap -pke | awk '/= Escape/ { print $2; exit }')"

SKELVAR_STATE_TRACE=$TRACE "$GAME" >"$WORK/game.out" 2>"$WORK/game.err" &
GAME_PID=$!
x11_find_game_window
xdotool windowfocus --sync "$WINDOW" 2>/dev/null || true

# Waits until the trace's last tick satisfies an awk condition on state (s), x, vx and vy.
until_trace() { wait_trace "$1" "the game to reach it"; }

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
xdotool keydown Right
until_trace 's == 0 && x > 1700'
xdotool keyup Right
pass "played: a run steered right, a jump, Esc to the menu and a new run"

# Closed as the desktop closes it at the end of a session.
kill -TERM "$GAME_PID"
wait "$GAME_PID"
status=$?
GAME_PID=
[ $status -eq 0 ] || fail "the game ended with status $status"
[ -s "$KEPT" ] || fail "no run was kept in $KEPT"
read -r hash command options <"$KEPT"
[ "$hash $command" = "# skelvar-replay" ] || fail "the kept run's first line is $(head -1 "$KEPT")"
keys=$(grep -c ' keydown 39$' "$KEPT")
[ "$keys" -gt 4 ] || fail "the kept run holds only $keys presses of Right: no key repeat seen"
# shellcheck disable=SC2086
"$REPLAY" $options "$KEPT" >"$WORK/replay.json" 2>"$WORK/replay.err" ||
  fail "the replay tool refused the kept run: $(cat "$WORK/replay.err")"

python3 - "$TRACE" "$WORK/replay.json" <<'PY' || fail "the replay differs from the window"
import json, sys
trace = [line.split() for line in open(sys.argv[1])]
replay = [json.loads(line) for line in open(sys.argv[2])]
def window(t):
    f = dict(zip(t[0::2], t[1::2]))
    return (int(f["tick"]), int(f["state"]), int(f["x"]), int(f["y"]), f["vx"], f["vy"])
def replayed(r):
    return (r["TickCount"], r["GameState"], r["PosX"][0], r["PosY"][0],
            format(r["VelX"][0], ".1f"), format(r["VelY"][0], ".1f"))
if len(trace) != len(replay):
    sys.exit(f"the window ran {len(trace)} ticks, the replay {len(replay)}")
for k, (t, r) in enumerate(zip(trace, replay), 1):
    if window(t) != replayed(r):
        sys.exit(f"game tick {k}: window {window(t)}, replay {replayed(r)}")
runs = sum(1 for a, b in zip(replay, replay[1:]) if a["GameState"] != 0 and b["GameState"] == 0)
if runs != 2:
    sys.exit(f"{runs} runs in the replay, not 2")
print(f"ok: {len(trace)} game ticks alike, {runs} runs")
PY
pass "the kept run replays to the window's trace"
