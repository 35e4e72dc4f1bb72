#!/usr/bin/env bash
# The documents' commands work as written. Every shell block that README.md or a docs/*.md file
# marks as an example to run, with the line
#   <!-- checked -->
# just before its ```sh fence, is run with bash -e (and pipefail) in a fresh scratch copy of the
# repository whose build/ is the build tree under test, so that a renamed option, target, script
# argument or file fails here. Every relative link in those documents must name a file that
# exists, and README.md must link to every document in docs/.
#   commands.sh SOURCE_DIR BUILD_DIR
# Marked blocks must be quick and need no display, network or installed package beyond what
# `tools/setup.sh test` installs; blocks that install, serve, open a window or take minutes stay
# unmarked.
set -euo pipefail

source_dir=$(cd "${1:?usage: commands.sh SOURCE_DIR BUILD_DIR}" && pwd -P)
build_dir=$(cd "${2:?usage: commands.sh SOURCE_DIR BUILD_DIR}" && pwd)
cd "$source_dir"

work=$(mktemp -d "${TMPDIR:-/tmp}/skelvar-docs.XXXXXX")
trap 'rm -rf "$work"' EXIT

documents=(README.md)
shopt -s nullglob
documents+=(docs/*.md)
shopt -u nullglob

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# --- the marked blocks ------------------------------------------------------------------------
# Each block goes to blocks/N.sh, and blocks/N.where names its document and line.
mkdir "$work/blocks"
awk -v out="$work/blocks" '
  function unclosed() {
    if (state == "in") { print doc ":" from ": the marked block has no closing fence" > "/dev/stderr"; bad = 1 }
    if (state == "marked") { print doc ":" from ": <!-- checked --> ends the file" > "/dev/stderr"; bad = 1 }
    state = ""
  }
  FNR == 1 { unclosed(); doc = FILENAME }
  state == "in" {
    if ($0 == "```") { close(file); state = "" } else print > file
    next
  }
  state == "marked" {
    if ($0 == "```sh") {
      n++; file = out "/" n ".sh"; printf "" > file
      print doc ":" FNR > (out "/" n ".where"); close(out "/" n ".where")
      state = "in"
    } else {
      print doc ":" from ": <!-- checked --> is not followed by a ```sh fence" > "/dev/stderr"
      bad = 1; state = ""
    }
    next
  }
  /^<!-- checked -->$/ { state = "marked"; from = FNR }
  END { unclosed(); print n + 0 > (out "/count"); exit bad }
' "${documents[@]}" || fail "the marked blocks are not well formed"
count=$(cat "$work/blocks/count")
((count > 0)) || fail "no block marked <!-- checked --> in ${documents[*]}"

# --- a pristine copy of the repository ----------------------------------------------------------
# The tracked files and new ones not ignored, as they are in the working tree; without git (an
# unpacked source archive) everything but the build trees.
mkdir "$work/pristine"
if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$source_dir" ]; then
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do if [ -e "$f" ]; then printf '%s\0' "$f"; fi; done |
    tar --null -T - -cf - | tar -xf - -C "$work/pristine"
else
  tar --exclude='./build*' --exclude=./.git -cf - . | tar -xf - -C "$work/pristine"
fi

for ((n = 1; n <= count; ++n)); do
  where=$(cat "$work/blocks/$n.where")
  scratch=$work/run-$n
  cp -a "$work/pristine" "$scratch"
  rm -rf "$scratch/build"
  ln -s "$build_dir" "$scratch/build"
  mkdir -p "$scratch/.home"
  # No display, and a home of its own, so a block can neither open a window nor touch the
  # developer's records.
  if (cd "$scratch" && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$scratch/.home" \
    XDG_STATE_HOME="$scratch/.home/.local/state" XDG_CONFIG_HOME="$scratch/.home/.config" \
    timeout 300 bash -e -o pipefail "$work/blocks/$n.sh") >"$work/out-$n" 2>&1; then
    echo "ok: $where"
  else
    status=$?
    sed 's/^/  | /' "$work/blocks/$n.sh" >&2
    tail -n 20 "$work/out-$n" | sed 's/^/  > /' >&2
    fail "$where: the block ended with status $status"
  fi
  rm -rf "$scratch"
done

# --- links --------------------------------------------------------------------------------------
# Markdown links and pictures, ](target), other than web addresses and anchors in the same page.
for doc in "${documents[@]}"; do
  dir=$(dirname "$doc")
  while IFS= read -r target; do
    path=${target%%#*}
    [ -e "$dir/$path" ] || fail "$doc links to $target, which does not exist"
  done < <(grep -oE '\]\([^)]+\)' "$doc" | sed -E 's/^\]\((.*)\)$/\1/' | grep -vE '^([a-z]+:|#)' || true)
done
for doc in "${documents[@]:1}"; do
  grep -qF "](${doc})" README.md || fail "README.md does not link to $doc"
done

echo "$count marked blocks in ${#documents[@]} documents, $failures failures"
((failures == 0))
