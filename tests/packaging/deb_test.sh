#!/bin/bash
# Builds the Debian package from the build tree, checks its control fields and contents, unpacks it
# into a scratch directory (nothing is installed on the system) and plays the unpacked program under
# a private X server: its window must appear and Esc at the menu must end it with status 0.
# Usage: deb_test.sh BUILD_DIR APP_ID
# Needs: cmake (cpack), dpkg-dev, xvfb, xdotool, x11-utils.
set -u

build=${1:?usage: deb_test.sh BUILD_DIR APP_ID}
app_id=${2:?usage: deb_test.sh BUILD_DIR APP_ID}
build=$(cd "$build" && pwd)

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
die() {
  echo "FAIL: $*" >&2
  exit 1
}

for tool in cpack dpkg-deb dpkg Xvfb xdotool xdpyinfo; do
  command -v "$tool" >/dev/null || die "$tool is not installed"
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/skelvar-deb.XXXXXX")
xvfb_pid=
game_pid=
cleanup() {
  # SDL turns SIGTERM into a quit request that a stuck program may never read: after 3 s the
  # game and the X server are killed outright, so the test never hangs on its own children.
  local pids=() pid
  [[ -n $game_pid ]] && pids+=("$game_pid")
  [[ -n $xvfb_pid ]] && pids+=("$xvfb_pid")
  if ((${#pids[@]} > 0)); then
    kill -TERM "${pids[@]}" 2>/dev/null
    for _ in $(seq 30); do
      kill -0 "${pids[@]}" 2>/dev/null || break
      sleep 0.1
    done
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done
    wait "${pids[@]}" 2>/dev/null
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT

# --- build the package -----------------------------------------------------------------------
# The package and CPack's staging tree go to the scratch directory, not into the build tree.
if ! (cd "$build" && timeout 120 cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out") \
  >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  die "cpack -G DEB failed"
fi
shopt -s nullglob
debs=("$tmp"/out/*.deb)
shopt -u nullglob
((${#debs[@]} == 1)) || die "cpack made ${#debs[@]} .deb files, expected 1: ${debs[*]}"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
arch=$(dpkg --print-architecture)
version=$(field Version)
[[ $(basename "$deb") == "skelvar_${version}_${arch}.deb" ]] ||
  fail "package file is $(basename "$deb"), expected skelvar_${version}_${arch}.deb"
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+ ]] || fail "package version '$version' is not x.y.z"
[[ $(field Package) == skelvar ]] || fail "Package is '$(field Package)', not skelvar"
[[ $(field Section) == games ]] || fail "Section is '$(field Section)', not games"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture is '$(field Architecture)', not $arch"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] ||
  fail "Maintainer '$(field Maintainer)' is not 'Name <address>'"
description=$(field Description)
(($(wc -l <<<"$description") >= 2)) || fail "Description has no long text: $description"
synopsis=$(head -n 1 <<<"$description")
[[ $(sed -n '2s/^ //p' <<<"$description") != "$synopsis" ]] ||
  fail "the long Description repeats the synopsis line"

# Every package the game needs at run time must be a dependency of its own (alternatives count).
depends=$(field Depends)
declare -A depended=()
IFS=',|' read -r -a alternatives <<<"$depends"
for alternative in "${alternatives[@]}"; do
  name=$(sed -e 's/(.*)//' -e 's/:.*//' -e 's/[[:space:]]//g' <<<"$alternative")
  [[ -n $name ]] && depended[$name]=1
done
for needed in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libturbojpeg0 libfontconfig1 libstdc++6 libc6 \
  fonts-vlgothic; do
  [[ -n ${depended[$needed]:-} ]] || fail "Depends lacks $needed: $depends"
done

# --- contents ---------------------------------------------------------------------------------
dpkg-deb -x "$deb" "$tmp/root" || die "dpkg-deb -x failed"

# Beyond that list, whatever the packaged program itself links (zlib1g, say, once it writes PNGs)
# must be depended on too: every library it names is looked up in the dpkg database.
if command -v readelf >/dev/null && [[ -f $tmp/root/usr/games/skelvar ]]; then
  ldd_out=$(ldd "$tmp/root/usr/games/skelvar" 2>&1)
  while read -r soname; do
    # ldd names the dynamic loader by its path alone, without "=>".
    path=$(awk -v s="$soname" '$1 == s && $2 == "=>" { print $3 }
      substr($1, length($1) - length(s)) == "/" s { print $1 }' <<<"$ldd_out" | head -1)
    [[ -n $path && $path != "not" ]] || { fail "the packaged program cannot find $soname"; continue; }
    # With merged /usr the loader may report /lib/... for a file dpkg knows as /usr/lib/...
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null)
    owner=${owner%%:*}
    [[ -n $owner ]] || { fail "no Debian package owns $path ($soname)"; continue; }
    [[ -n ${depended[$owner]:-} ]] || fail "the program links $soname from $owner, but Depends lacks it"
  done < <(readelf -d "$tmp/root/usr/games/skelvar" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
fi
for path in usr/games/skelvar "usr/share/applications/$app_id.desktop" \
  "usr/share/metainfo/$app_id.metainfo.xml" usr/share/man/man6/skelvar.6.gz \
  usr/share/doc/skelvar/{copyright,changelog.gz} \
  usr/share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256,512x512}/apps/"$app_id.png" \
  "usr/share/icons/hicolor/scalable/apps/$app_id.svg"; do
  [[ -s $tmp/root/$path ]] || fail "package lacks /$path"
done
program=$tmp/root/usr/games/skelvar
[[ -x $program ]] || die "the packaged program is not executable"

# --- run the unpacked program -----------------------------------------------------------------
# Xvfb picks a free display itself and writes its number to the descriptor given by -displayfd.
# -noreset: otherwise the server resets when its last client (the readiness probe) leaves,
# and a program connecting during that reset is turned away.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
display=
for _ in $(seq 100); do
  display=$(tr -dc 0-9 <"$tmp/display")
  [[ -n $display ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
[[ -n $display ]] || { cat "$tmp/xvfb.log" >&2; die "Xvfb did not start"; }
export DISPLAY=:$display
timeout 10 bash -c 'until xdpyinfo >/dev/null 2>&1; do sleep 0.1; done' ||
  die "X server $DISPLAY does not answer"

start_ms=$(($(date +%s%N) / 1000000))
"$program" </dev/null >"$tmp/game.log" 2>&1 &
game_pid=$!

window=
for _ in $(seq 150); do
  window=$(xdotool search --onlyvisible --name '^Skelvar$' 2>/dev/null | head -n 1)
  [[ -n $window ]] && break
  if ! kill -0 "$game_pid" 2>/dev/null; then
    wait "$game_pid"
    status=$?
    game_pid=
    cat "$tmp/game.log" >&2
    die "the packaged program ended with status $status before showing its window"
  fi
  sleep 0.1
done
[[ -n $window ]] || { cat "$tmp/game.log" >&2; die "no visible window titled 'Skelvar' within 15 s"; }
echo "window \"Skelvar\" appeared $(($(date +%s%N) / 1000000 - start_ms)) ms after start"

# Keys are polled every 50 ms, so Esc is held down for several polls rather than tapped; with no
# window manager the window is given the keyboard focus by hand. Retried in case the first press
# lands before the game is listening.
exited=
for _ in 1 2 3 4 5; do
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool keydown Escape
  sleep 0.3
  xdotool keyup Escape
  for _ in $(seq 20); do
    kill -0 "$game_pid" 2>/dev/null || { exited=1; break; }
    sleep 0.1
  done
  [[ -n $exited ]] && break
done
if [[ -z $exited ]]; then
  cat "$tmp/game.log" >&2
  die "the program did not end after Esc at the menu"
fi
wait "$game_pid"
status=$?
game_pid=
((status == 0)) || { cat "$tmp/game.log" >&2; fail "the program ended with status $status after Esc, not 0"; }

if ((failures > 0)); then
  echo "Debian package test: $failures check(s) failed" >&2
  exit 1
fi
echo "Debian package test: $(basename "$deb") passed (Depends: $depends)"
