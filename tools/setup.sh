#!/usr/bin/env bash
# Sets up a Debian 12 machine for Skelvar and then plays or tests it.
#   tools/setup.sh play   install what is missing, build, start the game
#   tools/setup.sh test   install what is missing, build, run every test (also under ASan/UBSan
#                         and once more built for release at -O3), build and test the browser
#                         version, then fuzz the replay script reader for a minute
#   tools/setup.sh web    install what is missing, build the browser version and the board, and
#                         serve the page through the board on http://127.0.0.1:8000/ (its runs
#                         kept in build-web/board.sqlite3)
# Run it as root, or as a user with sudo rights: only apt-get is run through sudo.
set -euo pipefail

mode=${1:-}
case "$mode" in
  play | test | web) ;;
  *)
    echo "usage: $0 play|test|web" >&2
    exit 2
    ;;
esac
cd "$(dirname "$0")/.."

# The board (skelvar-board): HTTP, its two databases, JSON, Unicode names; SHA-256 from nettle.
board_build=(cmake make g++ pkg-config libmicrohttpd-dev libsqlite3-dev libpq-dev
  nlohmann-json3-dev nettle-dev libicu-dev)
runtime_and_build=(cmake make g++ pkg-config libsdl2-dev libsdl2-ttf-dev libturbojpeg0-dev
  libfontconfig-dev zlib1g-dev nettle-dev fonts-vlgothic fonts-ipafont-gothic)
# The board's tests start a PostgreSQL cluster of their own (postgresql-15) and talk to the server
# with curl and jq; its measuring script loads it with wrk. Mesa's OpenGL and EGL give the tests' X server the OpenGL (llvmpipe) that the
# window's renderer check draws with and the game refuses by itself.
test_only=(libgtest-dev libbenchmark-dev xvfb xauth xdotool x11-utils x11-xserver-utils imagemagick
  libgl1-mesa-dri libegl1 libegl-mesa0 desktop-file-utils appstream man-db dpkg-dev file lintian
  devscripts binutils clang-14 libclang-rt-14-dev openbox time libfaketime xclip postgresql-15 curl
  jq wrk)
# The browser version: WebAssembly from Debian's emscripten (its optimiser needs node and acorn),
# the page's modules minified with terser, the font subset made with fonttools, served by python3;
# its tests run under node and in
# Chromium, with GoogleTest built from Debian's sources; the page's checks also run in Firefox ESR
# and in WebKit's MiniBrowser (under Xvfb, its screen read with ImageMagick).
web_build=(cmake make python3 emscripten nodejs node-acorn terser fonttools python3-brotli
  fonts-vlgothic)
web_test=(googletest chromium firefox-esr webkit2gtk-driver xvfb imagemagick)
# npm fetches the one browser-test package Debian lacks (puppeteer-core, for Firefox's WebDriver
# BiDi); Debian's own npm only where the machine has none.
if ! command -v npm >/dev/null; then web_test+=(npm); fi

case "$mode" in
  play) packages=("${runtime_and_build[@]}") ;;
  test)
    packages=("${runtime_and_build[@]}" "${board_build[@]}" "${test_only[@]}" "${web_build[@]}"
      "${web_test[@]}")
    ;;
  web) packages=("${web_build[@]}" "${board_build[@]}") ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi

# The browser tests' one npm package: puppeteer-core as pinned in its lock file; it drives Debian's
# firefox-esr and never downloads a browser. Installed here with everything else, so that the tests
# below need no network.
if [ "$mode" = test ]; then
  pinned=$(node -p 'require("./tests/web/puppeteer/package.json").dependencies["puppeteer-core"]')
  installed=$(node -p 'try { require("./tests/web/puppeteer/node_modules/puppeteer-core/package.json").version } catch { "" }')
  if [ "$pinned" != "$installed" ]; then
    (cd tests/web/puppeteer && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund)
  fi
fi

jobs=$(nproc 2>/dev/null || echo 2)

if [ "$mode" = play ]; then
  # A player's build leaves the board out: it is a server, with packages of its own.
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DSKELVAR_TESTS=OFF -DSKELVAR_BENCH=OFF \
    -DSKELVAR_BOARD=OFF
  cmake --build build -j "$jobs"
  exec ./build/skelvar
fi

if [ "$mode" = web ]; then
  emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DSKELVAR_TESTS=OFF
  cmake --build build-web -j "$jobs"
  # The board natively: a build tree that is already there gets the board added, else one is
  # made with the board alone.
  if [ -f build/CMakeCache.txt ]; then
    cmake -S . -B build -DSKELVAR_BOARD=ON
  else
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DSKELVAR_UI=OFF -DSKELVAR_TESTS=OFF \
      -DSKELVAR_BENCH=OFF
  fi
  cmake --build build -j "$jobs" --target skelvar-board
  echo "Skelvar is served with its board on http://127.0.0.1:8000/, the runs kept in" \
    "build-web/board.sqlite3 (Ctrl+C stops the server)"
  exec ./build/skelvar-board --site build-web/site --database build-web/board.sqlite3
fi

# Our own builds treat every warning as an error; users' and packagers' builds only show them.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKELVAR_TESTS=ON -DSKELVAR_BENCH=ON \
  -DSKELVAR_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure --timeout 600

# The release build of docs/packaging.md, at -O3 where the compiler warns about more, with
# warnings as errors; its tests run again except the window tests (label x11), which open the real
# window under their own X server.
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DSKELVAR_WERROR=ON
cmake --build build-release -j "$jobs"
ctest --test-dir build-release --output-on-failure --timeout 600 -LE x11

# The browser version: the play library's tests under node, the node replay tool against the
# native one just built, and the page in Chromium, Firefox ESR and WebKit, served by the native
# board too.
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DSKELVAR_TESTS=ON -DSKELVAR_WERROR=ON \
  -DSKELVAR_NATIVE_REPLAY="$PWD/build/skelvar-replay" -DSKELVAR_NATIVE_BOARD="$PWD/build/skelvar-board"
cmake --build build-web -j "$jobs"
ctest --test-dir build-web --output-on-failure --timeout 600

# The play logic and the replay tool again, under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKELVAR_SANITIZE=ON \
  -DSKELVAR_UI=OFF -DSKELVAR_BENCH=OFF -DSKELVAR_WERROR=ON
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure --timeout 600

# The replay script reader under libFuzzer for a minute; any finding fails the test command.
bash tools/fuzz-replay.sh 60
