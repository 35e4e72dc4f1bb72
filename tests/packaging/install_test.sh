#!/bin/bash
# Installs the build tree into a scratch prefix and checks what a desktop will read from it: the
# desktop entry, the AppStream metadata, the manual page, the icons and the licence. A second,
# staged install to /usr checks Debian's layout, with the program in /usr/games.
# Usage: install_test.sh BUILD_DIR APP_ID
# Needs: cmake, desktop-file-utils, appstream, man-db.
set -u

build=${1:?usage: install_test.sh BUILD_DIR APP_ID}
app_id=${2:?usage: install_test.sh BUILD_DIR APP_ID}

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

for tool in cmake desktop-file-validate appstreamcli man od gzip; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/skelvar-install.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix

if ! timeout 60 cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1; then
  cat "$tmp/install.log" >&2
  echo "FAIL: cmake --install $build --prefix $prefix failed" >&2
  exit 1
fi

program=$prefix/bin/skelvar
desktop=$prefix/share/applications/$app_id.desktop
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
manpage=$prefix/share/man/man6/skelvar.6.gz

[[ -x $program ]] || fail "the program is not installed as bin/skelvar"
for f in "$desktop" "$metainfo" "$manpage" "$prefix/share/doc/skelvar/LICENSE" \
  "$prefix/share/doc/skelvar/copyright" "$prefix/share/doc/skelvar/changelog.gz"; do
  [[ -s $f ]] || fail "missing or empty: ${f#"$prefix"/}"
done
[[ ! -e $prefix/games ]] || fail "an install to $prefix put something in games/"
if [[ -s $prefix/share/doc/skelvar/LICENSE ]] &&
  ! grep -q "Copyright (c) 2026 The Skelvar developers" "$prefix/share/doc/skelvar/LICENSE"; then
  fail "doc/skelvar/LICENSE does not carry the copyright line"
fi
if [[ -s $prefix/share/doc/skelvar/copyright ]] &&
  ! grep -q "^Copyright: 2026 The Skelvar developers" "$prefix/share/doc/skelvar/copyright"; then
  fail "doc/skelvar/copyright does not carry the copyright line"
fi

# --- desktop entry ---------------------------------------------------------------------------
if [[ -s $desktop ]]; then
  out=$(desktop-file-validate "$desktop" 2>&1)
  status=$?
  if ((status != 0)) || [[ -n $out ]]; then
    fail "desktop-file-validate (status $status): $out"
  fi
  # The keys a launcher needs, with the values the rest of the install must agree with.
  value() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
  [[ $(value Name) == Skelvar ]] || fail "desktop Name is '$(value 'Name')', not Skelvar"
  [[ -n $(value 'Name\[ja\]') ]] || fail "desktop entry has no Name[ja]"
  [[ -n $(value Comment) ]] || fail "desktop entry has no Comment"
  [[ -n $(value 'Comment\[ja\]') ]] || fail "desktop entry has no Comment[ja]"
  [[ -n $(value Keywords) ]] || fail "desktop entry has no Keywords"
  [[ $(value Type) == Application ]] || fail "desktop Type is not Application"
  [[ $(value Terminal) == false ]] || fail "desktop Terminal is not false"
  [[ $(value Categories) == *"Game;"*"ArcadeGame;"* ]] ||
    fail "desktop Categories '$(value Categories)' lack Game;ArcadeGame;"
  [[ $(value Icon) == "$app_id" ]] || fail "desktop Icon is '$(value Icon)', not $app_id"
  exec_line=$(value Exec)
  [[ $exec_line == skelvar ]] || fail "desktop Exec is '$exec_line', not skelvar"
  [[ -x $prefix/bin/${exec_line%% *} ]] || fail "desktop Exec '$exec_line' is not an installed program"
fi

# --- AppStream metadata ----------------------------------------------------------------------
if [[ -s $metainfo ]]; then
  # --strict turns every warning and info into a failure; only pedantic hints are let through.
  if ! out=$(appstreamcli validate --no-net --strict "$metainfo" 2>&1); then
    fail "appstreamcli validate --no-net --strict: $out"
  fi
  grep -q "<id>$app_id</id>" "$metainfo" || fail "metainfo id is not $app_id"
  launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
  [[ -n $launchable && -f $prefix/share/applications/$launchable ]] ||
    fail "metainfo launchable '$launchable' is not an installed desktop entry"
  for control in keyboard pointing gamepad; do
    grep -q "<control>$control</control>" "$metainfo" || fail "metainfo does not list control $control"
  done
  grep -q '<content_rating type="oars-1.1">' "$metainfo" || fail "metainfo has no OARS 1.1 rating"
  grep -q '<release version="[0-9][^"]*" date="[0-9-]*"' "$metainfo" ||
    fail "metainfo has no release with version and date"
  # The whole tree together: desktop entry, metadata and icons must describe the same application.
  if ! out=$(appstreamcli validate-tree --no-net "$prefix" 2>&1); then
    fail "appstreamcli validate-tree --no-net: $out"
  fi
fi

# --- manual page -----------------------------------------------------------------------------
if [[ -s $manpage ]]; then
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -l "$manpage" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "man --warnings -l skelvar.6.gz complains: $warnings"
  rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$manpage" 2>/dev/null)
  gzip -t "$manpage" || fail "the manual page is not gzip data"
  for section in NAME SYNOPSIS DESCRIPTION CONTROLS FILES; do
    grep -q "^$section" <<<"$rendered" || fail "manual page has no $section section"
  done
  grep -q "^SKELVAR(6)" <<<"$rendered" || fail "manual page does not render as SKELVAR(6)"
  # Every variable of its own that the program reads is described under ENVIRONMENT.
  environment=$(sed -n '/^ENVIRONMENT/,/^[A-Z]/p' <<<"$rendered")
  source_dir=$(cd "$(dirname "$0")/../.." && pwd)
  variables=$(grep -ho 'getenv("SKELVAR_[A-Z_]*")' "$source_dir"/ui/*.cpp |
    sed 's/getenv("\(.*\)")/\1/' | sort -u)
  [[ -n $variables ]] || fail "found no SKELVAR_ variable read in $source_dir/ui"
  for variable in $variables; do
    grep -q "^ *$variable\b" <<<"$environment" ||
      fail "the manual page's ENVIRONMENT section does not describe $variable"
  done
  grep -q "reads no variables" <<<"$rendered" &&
    fail "the manual page still says the program reads no variables"
fi

# --- icons -----------------------------------------------------------------------------------
# Reads the PNG header: signature, then the IHDR chunk with width, height, bit depth, colour type.
for size in 16 22 24 32 48 64 128 256 512; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png
  if [[ ! -s $icon ]]; then
    fail "icon ${size}x${size} is not installed as ${icon#"$prefix"/}"
    continue
  fi
  read -r -a b < <(od -An -v -tu1 -N26 "$icon" | tr -s ' \n' ' ')
  if [[ "${b[*]:0:8}" != "137 80 78 71 13 10 26 10" || "${b[*]:12:4}" != "73 72 68 82" ]]; then
    fail "icon ${size}x${size} is not a PNG"
    continue
  fi
  width=$(((b[16] << 24) | (b[17] << 16) | (b[18] << 8) | b[19]))
  height=$(((b[20] << 24) | (b[21] << 16) | (b[22] << 8) | b[23]))
  [[ $width == "$size" && $height == "$size" ]] ||
    fail "icon ${size}x${size} is really ${width}x${height}"
  # Colour type 6 is RGBA: the icon needs its alpha channel to sit on any panel colour.
  [[ ${b[25]} == 6 ]] || fail "icon ${size}x${size} has PNG colour type ${b[25]}, not 6 (RGBA)"
done

# The scalable icon is the drawing itself, an SVG a desktop can render at any size.
scalable=$prefix/share/icons/hicolor/scalable/apps/$app_id.svg
if [[ ! -s $scalable ]]; then
  fail "the scalable icon is not installed as ${scalable#"$prefix"/}"
elif ! grep -q '<svg[^>]*viewBox="0 0 512 512"' "$scalable"; then
  fail "the scalable icon is not the 512-unit SVG drawing"
fi

# --- Debian's layout --------------------------------------------------------------------------
# Installed to /usr, as a package build stages it (DESTDIR), the program goes to /usr/games, where
# the desktop entry's command is found on Debian's PATH, and the licence is only the copyright file.
staged=$tmp/staged
if ! DESTDIR=$staged timeout 60 cmake --install "$build" --prefix /usr >"$tmp/staged.log" 2>&1; then
  cat "$tmp/staged.log" >&2
  fail "DESTDIR=$staged cmake --install $build --prefix /usr failed"
else
  [[ -x $staged/usr/games/skelvar ]] || fail "an install to /usr has no /usr/games/skelvar"
  [[ ! -e $staged/usr/bin ]] || fail "an install to /usr still fills /usr/bin: $(ls "$staged/usr/bin")"
  staged_exec=$(sed -n 's/^Exec=//p' "$staged/usr/share/applications/$app_id.desktop" | head -n 1)
  [[ -x $staged/usr/games/${staged_exec%% *} ]] ||
    fail "desktop Exec '$staged_exec' is not in /usr/games"
  [[ -s $staged/usr/share/man/man6/skelvar.6.gz ]] || fail "an install to /usr has no manual page"
  [[ -s $staged/usr/share/doc/skelvar/copyright ]] || fail "an install to /usr has no copyright"
  [[ ! -e $staged/usr/share/doc/skelvar/LICENSE ]] ||
    fail "an install to /usr repeats the copyright file as LICENSE"
  # Every installed file is recorded in the manifest, so `xargs rm < install_manifest.txt` undoes it.
  while read -r installed; do
    [[ -e $staged$installed ]] || fail "install_manifest.txt names $installed, which is not there"
  done <"$build/install_manifest.txt"
  grep -qx /usr/games/skelvar "$build/install_manifest.txt" ||
    fail "install_manifest.txt does not list /usr/games/skelvar"
fi

if ((failures > 0)); then
  echo "install test: $failures check(s) failed" >&2
  exit 1
fi
echo "install test: all checks passed"
