#!/bin/bash
# End-to-end check of the player's record in the real window under a private X server: without a
# record the menu shows no line; with one it shows the best time in the bottom-right corner of the
# menu picture and nothing else of the menu changes; a damaged records file gives one warning, is
# kept aside, and the menu is as without a record.
#
# Usage: e2e_records.sh PATH/TO/skelvar
set -u
GAME=${1:?usage: e2e_records.sh PATH/TO/skelvar}
HERE=$(cd "$(dirname "$0")" && pwd)
CONVERT=convert
[ -x /usr/bin/convert ] && CONVERT=/usr/bin/convert
WORK=$(mktemp -d /tmp/skelvar-e2e-records.XXXXXX)
TRACE=$WORK/trace
FRAMES=$WORK/frames

fail() {
  echo "FAIL: $*" >&2
  [ -f "$WORK/game.err" ] && sed 's/^/  game stderr: /' "$WORK/game.err" | grep -v placeholder >&2
  exit 1
}

# shellcheck source=x11_session.sh
. "$HERE/x11_session.sh"
trap x11_cleanup EXIT
RECORDS=$XDG_STATE_HOME/skelvar/records

x11_start_xvfb 1280x1024

# Starts the game, waits for the end of the fade-in (its state trace) with the menu presented (its
# frame log), takes the window's picture as NAME.png and ends it as the desktop does when the
# session closes.
menu_shot() {
  : >"$TRACE"
  SKELVAR_STATE_TRACE=$TRACE SKELVAR_FRAME_LOG=$FRAMES "$GAME" >"$WORK/game.out" 2>"$WORK/game.err" &
  GAME_PID=$!
  x11_find_game_window
  wait_trace 'opacity == 255' "the end of the fade-in"
  wait_frame 0
  geometry
  import -window root -crop "${WW}x${WH}+${WX}+${WY}" +repage "$WORK/$1.png" || fail "screenshot failed"
  kill -TERM "$GAME_PID"
  wait "$GAME_PID"
  GAME_PID=
  rm -f "$FRAMES"
}
# How many pixels differ between two shots, within WxH+X+Y.
differing() {
  $CONVERT "$WORK/$1.png" -crop "$3" +repage "$WORK/a.png"
  $CONVERT "$WORK/$2.png" -crop "$3" +repage "$WORK/b.png"
  compare -metric AE "$WORK/a.png" "$WORK/b.png" null: 2>&1 | cut -d' ' -f1
}

menu_shot plain
[ -e "$RECORDS" ] && fail "a menu without a run wrote $RECORDS"
[ -s "$WORK/game.err" ] && grep -v placeholder "$WORK/game.err" | grep -q . && fail "warnings without a record"
pass "no record: nothing written, no warning"

mkdir -p "$(dirname "$RECORDS")"
printf 'version 1\nbest 15\nruns 9\nclears 2\nfuture_key kept\n' >"$RECORDS"
cp "$RECORDS" "$WORK/records.before"
menu_shot record
cmp -s "$RECORDS" "$WORK/records.before" || fail "the records file changed without a run"
# The 960 x 580 window shows the menu picture at 960 x 480 from row 50; the title's drawing lies
# in its top 88 percent.
title=$(differing plain record 960x422+0+50)
[ "$title" = 0 ] || fail "the record line changed $title pixels of the title's drawing"
corner=$(differing plain record 240x58+720+472)
[ "$corner" -gt 500 ] || fail "only $corner pixels of the menu's corner show the record"
whole=$(differing plain record 960x580+0+0)
[ "$whole" = "$corner" ] || fail "$((whole - corner)) pixels changed outside the record's corner"
white=$($CONVERT "$WORK/record.png" -crop 240x58+720+472 +repage -fill black +opaque white \
  -fill white -opaque white -format '%[fx:mean*w*h]' info:)
awk -v n="$white" 'BEGIN { exit !(n > 1000) }' || fail "the record's plaque is not white ($white)"
pass "record line: $corner pixels in the bottom-right corner, none of the title's drawing changed"

printf 'version 1\nbest fifteen\n' >"$RECORDS"
menu_shot damaged
[ "$(grep -cv placeholder "$WORK/game.err")" = 1 ] || fail "not one warning for a damaged file"
grep -q "records is damaged" "$WORK/game.err" || fail "the warning does not name the file"
[ "$(cat "$RECORDS.damaged")" = "$(printf 'version 1\nbest fifteen')" ] ||
  fail "the damaged file was not kept aside as it was"
[ "$(differing plain damaged 960x580+0+0)" = 0 ] || fail "a damaged record changed the menu"
pass "damaged file: $(grep -v placeholder "$WORK/game.err")"
