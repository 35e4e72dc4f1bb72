#!/usr/bin/env bash
# Times skelvar-replay over a million ticks of a long generated input script, natively and, when
# the browser version is built, as WebAssembly under node on the same script in the same run.
#   tools/bench-replay.sh [BUILD_DIR [WEB_BUILD_DIR]]
set -euo pipefail
build=${1:-build}
web=${2:-build-web}
script=$(mktemp)
trap 'rm -f "$script" "$script.out" "$script.native"' EXIT
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

# The wall-clock seconds of one replay of the script, its last tick left in $script.out.
now() { date +%s.%N; }
run() {
  local start end
  start=$(now)
  "$@" --quiet --ticks 1000000 "$script" >"$script.out"
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
native=$(run "$build/skelvar-replay")
mv "$script.out" "$script.native"
echo "native: $native s"
if [ -f "$web/skelvar-replay.js" ]; then
  node_seconds=$(run node "$web/skelvar-replay.js")
  if ! cmp -s "$script.out" "$script.native"; then
    echo "the node build's last tick differs from the native one" >&2
    exit 1
  fi
  echo "node:   $node_seconds s ($(node --version)), same last tick"
  awk -v n="$native" -v w="$node_seconds" 'BEGIN { printf "node / native: %.2f\n", w / n }'
fi
