#!/bin/bash
# Builds the Debian package from the build tree and holds it to Debian's standards: lintian must
# report no error and no warning, the packaged program must pass hardening-check, be stripped and
# keep its build id, and the documentation must be what Debian expects (compressed manual page and
# changelog, a machine-readable copyright file). Nothing is installed on the system.
# Usage: lint_test.sh BUILD_DIR CXX_COMPILER
# Needs: cmake (cpack), dpkg-dev, lintian, devscripts (hardening-check), binutils, file.
set -u

build=${1:?usage: lint_test.sh BUILD_DIR CXX_COMPILER}
cxx=${2:?usage: lint_test.sh BUILD_DIR CXX_COMPILER}
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

for tool in cpack dpkg-deb lintian hardening-check readelf objdump file gzip; do
  command -v "$tool" >/dev/null || die "$tool is not installed"
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/skelvar-lint.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

if ! (cd "$build" && timeout 120 cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out") \
  >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  die "cpack -G DEB failed"
fi
shopt -s nullglob
debs=("$tmp"/out/*.deb)
shopt -u nullglob
((${#debs[@]} == 1)) || die "cpack made ${#debs[@]} .deb files, expected 1"
deb=${debs[0]}

# --- lintian ----------------------------------------------------------------------------------
# Every tag is shown, informational and pedantic ones included, but only errors and warnings fail.
# Lintian's own remark about running as root is not about the package.
lintian --display-info --pedantic --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1
lintian_status=$?
tags=$(grep -v '^running with root privileges' "$tmp/lintian.log")
mapfile -t tag_lines <<<"${tags:-no tags at all}"
printf 'lintian: %s\n' "${tag_lines[@]}"
if ((lintian_status != 0)) || grep -q '^[EW]: ' "$tmp/lintian.log"; then
  fail "lintian reports errors or warnings (status $lintian_status)"
fi

# --- the packaged program ---------------------------------------------------------------------
dpkg-deb -x "$deb" "$tmp/root" || die "dpkg-deb -x failed"
program=$tmp/root/usr/games/skelvar
[[ -f $program ]] || die "the package has no /usr/games/skelvar"
[[ ! -e $tmp/root/usr/bin ]] || fail "the package also has /usr/bin: $(ls "$tmp/root/usr/bin")"

description=$(file -b "$program")
[[ $description == *", stripped"* ]] || fail "the packaged program is not stripped: $description"
readelf -n "$program" | grep -q 'Build ID: [0-9a-f]\{40\}' ||
  fail "the packaged program has no build id note"
! readelf -S "$program" | grep -q '\.comment' || fail "the packaged program keeps its .comment"

# Control-flow protection can only be marked on a program when the C runtime's own start files
# carry the marking too; Debian 12's do not, so there that one check is left to newer systems.
hardening_options=()
for start_file in Scrt1.o crti.o crtn.o; do
  path=$("$cxx" -print-file-name="$start_file")
  if ! readelf -n "$path" 2>/dev/null | grep -q 'x86 feature: IBT, SHSTK'; then
    hardening_options=(--nocfprotection)
    echo "note: $path is not marked for control-flow protection; that check is skipped"
    break
  fi
done
if ! hardening-check "${hardening_options[@]}" "$program" >"$tmp/hardening.log" 2>&1; then
  fail "hardening-check ${hardening_options[*]} fails"
fi
sed "s#$tmp/root##" "$tmp/hardening.log"
for item in "Position Independent Executable" "Stack protected" "Fortify Source functions" \
  "Read-only relocations" "Immediate binding"; do
  grep -q "^ $item: yes" "$tmp/hardening.log" || fail "hardening-check: $item is not yes"
done
# hardening-check recognises only the probing loop of frames above 16 KiB; a program whose largest
# frame is smaller shows the unrolled probes instead: a page subtracted, then touched.
if ! grep -q '^ Stack clash protection: yes' "$tmp/hardening.log"; then
  if objdump -d --no-show-raw-insn -M intel "$program" |
    grep -A1 'sub \+rsp,0x1000$' | grep -q 'or \+QWORD PTR \[rsp\],0x0'; then
    echo " Stack clash protection: yes (unrolled probes found)"
  else
    fail "no stack-clash probes in the program: is -fstack-clash-protection in its flags?"
  fi
fi

# Owned by root, directories and the program 0755, everything else 0644.
while read -r mode owner _ _ _ path _; do
  path=${path#.}
  case $mode in
    d*) want=drwxr-xr-x ;;
    *) [[ $path == /usr/games/skelvar ]] && want=-rwxr-xr-x || want=-rw-r--r-- ;;
  esac
  [[ $mode == "$want" && $owner == root/root ]] || fail "$path is $mode $owner, not $want root/root"
done < <(dpkg-deb -c "$deb")

# Installed-Size is in KiB and has to agree with what the files really take.
installed_size=$(dpkg-deb -f "$deb" Installed-Size)
unpacked_size=$(du -sk --apparent-size "$tmp/root" | cut -f1)
if ! [[ $installed_size =~ ^[0-9]+$ ]]; then
  fail "Installed-Size is '$installed_size'"
elif ((installed_size * 20 < unpacked_size * 19 || installed_size * 20 > unpacked_size * 21)); then
  fail "Installed-Size is $installed_size KiB, the unpacked files take $unpacked_size KiB"
fi

# --- documentation ----------------------------------------------------------------------------
doc=$tmp/root/usr/share/doc/skelvar
for gz in usr/share/man/man6/skelvar.6.gz usr/share/doc/skelvar/changelog.gz; do
  if [[ ! -s $tmp/root/$gz ]]; then
    fail "package lacks /$gz"
  elif ! file -b "$tmp/root/$gz" | grep -q 'gzip compressed data, max compression'; then
    fail "/$gz is not gzip -9: $(file -b "$tmp/root/$gz")"
  elif ! gzip -t "$tmp/root/$gz"; then
    fail "/$gz does not decompress"
  fi
done
[[ ! -e $doc/LICENSE ]] || fail "the package repeats its copyright file as LICENSE"

# The changelog's latest entry is the packaged version.
version=$(dpkg-deb -f "$deb" Version)
latest=$(gzip -dc "$doc/changelog.gz" 2>/dev/null | head -n 1)
[[ $latest =~ ^skelvar\ \(([^\)]+)\)\  ]] || fail "changelog does not start with an entry: $latest"
[[ ${BASH_REMATCH[1]:-} == "$version" ]] ||
  fail "changelog's latest version is '${BASH_REMATCH[1]:-}', the package's is $version"

# Machine-readable copyright: the format line, a paragraph for the code and one for the
# pictures, each naming a licence whose full text is given once in a stand-alone paragraph.
copyright=$doc/copyright
if [[ ! -s $copyright ]]; then
  fail "package lacks /usr/share/doc/skelvar/copyright"
else
  head -n 1 "$copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright does not start with the DEP-5 Format line"
  # Paragraphs are separated by blank lines; one is found by its first line.
  paragraph() { awk -v RS= -v first="$1" 'index($0, first "\n") == 1 { print; exit }' "$copyright"; }
  for files in '*' 'assets/*'; do
    paragraph "Files: $files" | grep -q '^Copyright: .*Skelvar' ||
      fail "copyright has no 'Files: $files' paragraph with a Copyright line"
  done
  while read -r licence; do
    (($(paragraph "License: $licence" | grep -c '^ ') >= 3)) ||
      fail "copyright has no stand-alone paragraph with the full text of the $licence licence"
  done < <(sed -n 's/^License: //p' "$copyright" | sort -u)
fi

if ((failures > 0)); then
  echo "package lint test: $failures check(s) failed" >&2
  exit 1
fi
echo "package lint test: $(basename "$deb") passed"
