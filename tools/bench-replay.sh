#!/usr/bin/env bash
# Times skelvar-replay over a million ticks of a long generated input script.
#   tools/bench-replay.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
script=$(mktemp)
trap 'rm -f "$script"' EXIT
# A deterministic script: keys pressed and released every few ticks, clicks and mouse moves,
# never Esc (which would close the window at the menu and end the replay).
awk 'BEGIN {
  srand(3); t = 1; n = split("37 38 39 40 13 32 65", keys, " ");
  while (t < 1000000) {
    t += 1 + int(rand() * 20); k = keys[1 + int(rand() * n)];
    print t, "keydown", k; print t + 1 + int(rand() * 30), "keyup", k;
    if (rand() < 0.1) print t + 31, "click", int(rand() * 944), int(rand() * 542);
    if (rand() < 0.1) print t + 31, "mousemove", int(rand() * 944), int(rand() * 542);
  }
}' | sort -n -k1,1 -s >"$script"
echo "script: $(wc -l <"$script") events"
TIMEFORMAT='wall %3R s, user %3U s, sys %3S s'
time "$build/skelvar-replay" --quiet --ticks 1000000 "$script" >/dev/null
