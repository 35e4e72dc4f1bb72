#!/usr/bin/env bash
# Every macro the sources test with #ifdef, #ifndef or defined() is set somewhere: by the build
# (a -D or a compile definition in a CMake file), by a #define in the sources, or by the compiler
# or the standard library (names beginning with two underscores). A test of a macro that nothing
# sets silently leaves its code out.
#   defined_macros.sh SOURCE_DIR
set -euo pipefail
cd "$1"

sources=$(git ls-files '*.c' '*.cc' '*.cpp' '*.h' '*.hpp' 2>/dev/null ||
  find . -name build\* -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
builds=$(git ls-files 'CMakeLists.txt' '*/CMakeLists.txt' '*.cmake' 'tools/*.sh' 2>/dev/null ||
  find . -name build\* -prune -o \( -name CMakeLists.txt -o -name '*.cmake' \) -print)

# The macros tested, one a line: the names after #ifdef and #ifndef, and those inside defined()
# on #if and #elif lines.
tested_ifdef=$(cat $sources | sed -nE 's/^\s*#\s*if(n?def)\s+([A-Za-z_][A-Za-z0-9_]*).*/\2/p')
tested_defined=$(cat $sources | grep -E '^\s*#\s*(el)?if\b' |
  grep -oE 'defined\s*\(?\s*[A-Za-z_][A-Za-z0-9_]*' | sed -E 's/defined\s*\(?\s*//' || true)
status=0
count=0
for macro in $(printf '%s\n%s\n' "$tested_ifdef" "$tested_defined" | sort -u); do
  [ -n "$macro" ] || continue
  count=$((count + 1))
  case "$macro" in __*) continue ;; esac
  # shellcheck disable=SC2086
  if grep -qE "(-D|compile_definitions\([^)]*|^\s*)\b$macro\b" $builds ||
    grep -qE "^\s*#\s*define\s+$macro\b" $sources; then
    continue
  fi
  echo "$macro is tested in the sources but nothing defines it:"
  # shellcheck disable=SC2086
  grep -nE "^\s*#\s*(ifn?def|(el)?if).*\b$macro\b" $sources | head -5 || true
  status=1
done
[ "$count" -gt 0 ] || { echo "no macro tests found under $PWD: the check is looking in the wrong place"; exit 1; }
[ "$status" -eq 0 ] && echo "all $count macros the sources test are defined somewhere"
exit "$status"
