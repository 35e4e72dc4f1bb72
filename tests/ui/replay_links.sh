#!/usr/bin/env bash
# The replay tool writes its frames with the render library alone: none of the window's event loop,
# window, controllers or sound output is linked into it. The window program, which has them all,
# shows that the symbols looked for are the right ones.
#   replay_links.sh NM REPLAY WINDOW BUILD_DIR
set -euo pipefail
nm=$1
replay=$2
window=$3
build=$4

# Our own code, as defined symbols (demangled), and what the program asks of SDL.
window_code='skelvar::ui::(RunEventLoop|Gamepads::|GameWindow::|AudioOutput::|SystemClock::|LatePictures::)'
window_sdl='^SDL_(GameController|Joystick|OpenAudioDevice|CreateWindow|WaitEventTimeout)'
# ... and what frames need, which the replay tool must still have.
render_code='skelvar::ui::(SceneRenderer::|WritePng)'

defined() { "$nm" -C --defined-only "$1" | sed 's/^[0-9a-fA-F]* *[A-Za-z] //'; }
undefined() { "$nm" -D --undefined-only "$1" | sed 's/^ *U //; s/@.*//'; }

# Read whole before matching: a grep that stops at its first match would cut nm off.
replay_defined=$(defined "$replay")
replay_undefined=$(undefined "$replay")
window_defined=$(defined "$window")
window_undefined=$(undefined "$window")

status=0
found=$(grep -Eo "$window_code" <<<"$window_defined" | sort -u | wc -l)
if [ "$found" -lt 6 ]; then
  echo "the window program defines only $found of the 6 window parts looked for: the check is stale"
  status=1
fi
if ! grep -Eq "$window_sdl" <<<"$window_undefined"; then
  echo "the window program asks SDL for no controller, sound or window: the check is stale"
  status=1
fi
if leaked=$(grep -E "$window_code" <<<"$replay_defined"); then
  echo "the replay tool has window code linked in:"
  head -20 <<<"$leaked"
  status=1
fi
if leaked=$(grep -E "$window_sdl" <<<"$replay_undefined"); then
  echo "the replay tool asks SDL for window, controller or sound functions:"
  echo "$leaked"
  status=1
fi
if ! grep -Eq "$render_code" <<<"$replay_defined"; then
  echo "the replay tool has no frame renderer: built without --render?"
  status=1
fi
# The link command itself, which names every library the tool is linked with, used or not: the
# Makefile generator's link.txt, or Ninja's build statement.
link_command() {
  local txt=$build/$1/CMakeFiles/$2.dir/link.txt
  if [ -f "$txt" ]; then
    cat "$txt"
  elif [ -f "$build/build.ninja" ]; then
    awk -v target="build $2:" 'index($0, target) == 1 { on = 1 } on && /^$/ { exit } on' \
      "$build/build.ninja"
  fi
}
replay_link=$(link_command tools/replay skelvar-replay)
window_link=$(link_command ui skelvar)
if ! grep -q 'libskelvar-ui\.a' <<<"$window_link"; then
  echo "the window program's link command does not name libskelvar-ui.a: the check is stale"
  status=1
fi
if [ -z "$replay_link" ]; then
  echo "the replay tool's link command was not found in $build"
  status=1
elif grep -q 'libskelvar-ui\.a' <<<"$replay_link"; then
  echo "the replay tool is linked with the window library:"
  echo "$replay_link"
  status=1
fi
[ "$status" -eq 0 ] && echo "the replay tool links the render library and nothing of the window"
exit "$status"
