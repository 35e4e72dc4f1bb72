#!/bin/bash
# The replay tool's --ghost: the winning run raced beside a run that starts later and stands still.
# The state printed is the same with and without it, and every frame differs from the one drawn
# without it only inside the ghost girl's place, found from the winning run's own state at the
# tick she has reached.
#
# Usage: ghost_frames.sh PATH/TO/skelvar-replay PATH/TO/winning.txt
set -u
REPLAY=${1:?usage: ghost_frames.sh PATH/TO/skelvar-replay PATH/TO/winning.txt}
WINNING=${2:?usage: ghost_frames.sh PATH/TO/skelvar-replay PATH/TO/winning.txt}
WORK=$(mktemp -d /tmp/skelvar-ghost.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$REPLAY" --save-run "$WORK/best.code" --ticks 460 "$WINNING" || fail "no code for the winning run"
"$REPLAY" --ticks 460 "$WINNING" >"$WORK/best.json" || fail "the winning run does not play"
printf '40 keydown 38\n41 keyup 38\n' >"$WORK/late.txt"
"$REPLAY" --ticks 90 --render "$WORK/alone" --render-every 2 "$WORK/late.txt" >"$WORK/alone.json" ||
  fail "the late run does not render"
"$REPLAY" --ticks 90 --render "$WORK/raced" --render-every 2 --ghost "$WORK/best.code" \
  "$WORK/late.txt" >"$WORK/raced.json" || fail "the late run does not render with a ghost"
cmp -s "$WORK/alone.json" "$WORK/raced.json" || fail "the ghost changed the state printed"

# Where each frame's differences lie (ImageMagick's bounding box of the differing pixels).
for shot in "$WORK"/alone/tick-*.png; do
  name=$(basename "$shot")
  box=$(compare "$shot" "$WORK/raced/$name" -compose src -highlight-color white \
    -lowlight-color black png:- 2>/dev/null | convert - -format '%@' info: 2>/dev/null)
  echo "${name//[^0-9]/} $box"
done >"$WORK/boxes"

python3 - "$WORK/best.json" "$WORK/alone.json" "$WORK/boxes" <<'PY' || fail "the ghost is drawn out of her place"
import json, re, sys
best = [json.loads(line) for line in open(sys.argv[1])]
live = [json.loads(line) for line in open(sys.argv[2])]
start = next(s["tick"] for s in best if s["GameState"] == 0)
seen = 0
for line in open(sys.argv[3]):
    tick, *box = line.split()
    tick = int(tick)
    m = re.match(r"(\d+)x(\d+)\+(-?\d+)\+(-?\d+)", box[0]) if box else None
    # ImageMagick trims an image with no difference at all to nothing.
    same = m is None or int(m.group(1)) == 0 or int(m.group(2)) == 0
    if tick < 40:
        if not same:
            sys.exit(f"tick {tick}: a ghost before the live run starts ({box})")
        continue
    g = best[start - 1 + tick - 40]
    s = live[tick - 1]
    left = s["pnlGame"]["left"] + g["PosX"][0] + s["CameraX"]
    top = s["pnlGame"]["top"] + g["PosY"][0] + s["CameraY"]
    if same:
        continue
    w, h, x, y = map(int, m.groups())
    # The girl's frames are 66 x 116 at most; a pixel of slack for the outline's edge.
    if x < left - 1 or y < top - 1 or x + w > left + 66 + 1 or y + h > top + 116 + 1:
        sys.exit(f"tick {tick}: the frames differ at {box[0]}, the ghost is at {left},{top}")
    seen += 1
if seen < 5:
    sys.exit(f"the ghost showed in only {seen} frames")
print(f"ok: the ghost drawn in {seen} frames, each time within her place")
PY
echo "ok: the state is the same with the ghost"
