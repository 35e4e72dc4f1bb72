#!/usr/bin/env bash
# The board end to end, against the real server and a real database.
#   board_test.sh sqlite|postgresql|two-servers|sigkill BOARD REPLAY CODES SOURCE_DIR
# sqlite, postgresql: the API and its limits on that database; two-servers: two servers on one
# PostgreSQL sent the same runs at once; sigkill: a server killed in the middle of submissions
# loses none it answered 201. PostgreSQL runs as a cluster of the test's own in a temporary
# folder, as the user nobody when the test runs as root.
set -euo pipefail

mode=$1 board=$2 replay=$3 codes=$4 source=$5
work=$(mktemp -d)
pids=()
pgdata=
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  if [ -n "$pgdata" ]; then "${as_pg[@]}" "$pgbin/pg_ctl" -D "$pgdata" -m immediate stop \
    >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for log in "$work"/*.err; do [ -e "$log" ] && sed "s|^|$(basename "$log"): |" "$log" >&2; done
  exit 1
}

# --- Codes --------------------------------------------------------------------------------------

# The winning run with K more idle ticks at the menu: the same play, a different run.
winning() {
  awk -v k="$1" '/^#/ { next } NF { $1 = $1 + k; print }' \
    "$source/tests/records/winning.txt" >"$work/win$1.txt"
  "$replay" --save-run - --ticks $((460 + $1)) "$work/win$1.txt"
}
# She stops pressing anything after the first few keys and walks into the first obstacle.
losing() {
  awk '/^#/ { next } $1 <= 8' "$source/tests/records/winning.txt" >"$work/lose.txt"
  "$replay" --save-run - --ticks 460 "$work/lose.txt"
}

# --- Servers ------------------------------------------------------------------------------------

pgbin=/usr/lib/postgresql/15/bin
as_pg=()
start_postgres() {
  if [ ! -x "$pgbin/initdb" ] || [ ! -x "$pgbin/pg_ctl" ]; then
    echo "SKIP: PostgreSQL's server is not installed (Debian package postgresql-15)"
    exit 77
  fi
  local dir
  dir=$(mktemp -d -p "$work")
  if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$work"
    chown nobody: "$dir"
    as_pg=(runuser -u nobody --)
  fi
  "${as_pg[@]}" "$pgbin/initdb" -D "$dir/data" -A trust -U board --no-sync >"$work/initdb.log" \
    || fail "initdb: $(tail -3 "$work/initdb.log")"
  pgdata=$dir/data
  "${as_pg[@]}" "$pgbin/pg_ctl" -D "$pgdata" -l "$dir/log" -w \
    -o "-k $dir -c listen_addresses='' -c max_connections=50" start >/dev/null \
    || fail "PostgreSQL did not start: $(tail -3 "$dir/log")"
  database="postgresql:///postgres?host=$dir&user=board"
}

# Starts a server and waits for its "listening" line; sets $port and $base.
start_board() {
  local name=$1
  shift
  local fd
  exec {fd}< <(exec "$board" --listen 127.0.0.1:0 --database "$database" "$@" \
    2>>"$work/$name.err")
  pids+=($!)
  server_pid=$!
  local line
  read -r -t 30 -u "$fd" line || fail "$name: no listening line"
  [[ $line == *listening* ]] || fail "$name: $line"
  port=${line#*127.0.0.1:}
  port=${port%%/*}
  base=http://127.0.0.1:$port
}

# --- Requests -----------------------------------------------------------------------------------

# post BASE CODE NAME_JSON KEY: sets $status and $body.
post() {
  body=$(curl -s -o - -w '\n%{http_code}' --max-time 20 -H 'Content-Type: application/json' \
    --data-binary "{\"code\": \"$2\", \"name\": $3, \"key\": \"$4\"}" "$1/api/runs") || true
  status=${body##*$'\n'}
  body=${body%$'\n'*}
}
expect() {
  [ "$status" = "$1" ] || fail "$2: expected $1, got $status $body"
}
get() {
  body=$(curl -s -o - -w '\n%{http_code}' --max-time 20 "$1") || true
  status=${body##*$'\n'}
  body=${body%$'\n'*}
}
field() { jq -r "$1" <<<"$body"; }

# --- The API on one database --------------------------------------------------------------------

api_checks() {
  local win=() i
  for i in $(seq 0 11); do win+=("$(winning "$i")"); done
  mkdir -p "$work/site/sub"
  printf 'page' >"$work/site/index.html"
  printf 'wasm' >"$work/site/sub/game.wasm"
  printf 'js' >"$work/site/main.js"
  printf '{}' >"$work/site/manifest.webmanifest"
  printf 'secret' >"$work/secret.txt"
  start_board main --submit-rate 100000 --request-timeout 2 --per-address 1000 --site "$work/site"

  # The site's files with the types a browser expects, and nothing outside the site.
  local path type
  for path in /:text/html /sub/game.wasm:application/wasm /main.js:text/javascript \
    /manifest.webmanifest:application/manifest+json; do
    type=$(curl -s -o /dev/null -w '%{content_type}' "$base${path%%:*}")
    [[ $type == "${path#*:}"* ]] || fail "${path%%:*} served as $type"
  done
  for path in /../secret.txt /sub/../../secret.txt /%2e%2e/secret.txt /.hidden; do
    status=$(curl -s --path-as-is -o /dev/null -w '%{http_code}' "$base$path")
    expect 404 "the path $path"
  done

  # A winning run is kept and ranked; the seconds are its ticks at 20 a second.
  post "$base" "${win[0]}" '"Ana"' key-ana-0123456789
  expect 201 "a winning run"
  local id ticks
  id=$(field .id) ticks=$(field .ticks)
  [ "$(field .rank)" = 1 ] || fail "the first run's rank: $body"
  [ "$(jq -r "(.seconds * 100 | round) == (.ticks * 5)" <<<"$body")" = true ] \
    || fail "seconds from ticks: $body"
  [[ $id =~ ^[0-9a-f]{64}$ ]] || fail "the id: $id"

  # The same run again, from another key: kept once, its first sender keeps it.
  post "$base" "${win[0]}" '"Bob"' key-bob-0123456789
  expect 200 "the same run again"
  [ "$(field .id)" = "$id" ] || fail "the same run's id: $body"
  get "$base/api/board"
  [ "$(field '.entries | length')" = 1 ] && [ "$(field '.entries[0].name')" = Ana ] \
    || fail "the board after one run sent twice: $body"
  [[ $(field '.entries[0].date') =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z$ ]] \
    || fail "the date: $body"
  get "$base/api/runs/$id"
  expect 200 "the kept code"
  [ "$body" = "${win[0]}" ] || fail "the kept code differs from the current format's: $body"

  # Refusals, each with its reason.
  post "$base" "$(losing)" '"Ana"' key-ana-0123456789
  expect 422 "a losing run"
  [ -n "$(field .error)" ] || fail "no reason: $body"
  post "$base" "$("$codes" other-logic "${win[1]}")" '"Ana"' key-ana-0123456789
  expect 422 "a run of another logic version"
  post "$base" "$("$codes" changed "${win[1]}")" '"Ana"' key-ana-0123456789
  expect 422 "a code whose events were changed"
  local damaged=${win[1]:0:40}${win[1]:41:1}${win[1]:40:1}${win[1]:42}
  post "$base" "$damaged" '"Ana"' key-ana-0123456789
  expect 400 "a damaged code"
  post "$base" "${win[1]}" '"Ana"' short
  expect 400 "a short key"
  body=$(curl -s -w '\n%{http_code}' --data-binary '{"code": 1' "$base/api/runs") || true
  status=${body##*$'\n'}
  expect 400 "a body that is not JSON"

  # The name rule: 1 to 12 code points after NFKC, no control, format or private-use character;
  # compared after NFKC and case folding.
  local name
  for name in '""' '"abcdefghijklm"' '"a\u0007b"' '"a\u200bb"' '"\ue000"' '" lead"' '"a\ud800"'; do
    post "$base" "${win[1]}" "$name" key-eve-0123456789
    expect 400 "the name $name"
  done
  post "$base" "${win[1]}" '"ＡＮＡ"' key-eve-0123456789
  expect 409 "Ana's name in full-width capitals from another key"

  # Names with SQL's metacharacters and odd Unicode are kept literally.
  local names=("Robert'); --" '%_"*;\' "e$(printf '\u0301')clair" 'Ωμέγα🐈' 'ｆｕｌｌ')
  local shown=("Robert'); --" '%_"*;\' 'éclair' 'Ωμέγα🐈' 'full')
  for i in "${!names[@]}"; do
    post "$base" "${win[$((i + 1))]}" "$(jq -n --arg n "${names[$i]}" '$n')" "key-odd-$i-0123456789"
    expect 201 "the name ${names[$i]}"
  done
  get "$base/api/board?limit=100"
  for i in "${!shown[@]}"; do
    [ "$(jq --arg n "${shown[$i]}" '[.entries[] | select(.name == $n)] | length' <<<"$body")" = 1 ] \
      || fail "the name ${shown[$i]} is not on the board as sent: $body"
  done

  # Pages cover every entry once, in order, and the ranks run 1, 2, 3 through the ties.
  for i in $(seq 6 11); do
    post "$base" "${win[$i]}" "\"p$i\"" "key-page-$i-0123456789"
    expect 201 "run $i"
  done
  local after='' seen='' pages=0
  while :; do
    get "$base/api/board?limit=5${after:+&after=$after}"
    expect 200 "a page"
    seen+=$(jq -r '.entries[] | "\(.rank) \(.ticks) \(.name)"' <<<"$body")$'\n'
    after=$(field '.next // empty')
    pages=$((pages + 1))
    [ -n "$after" ] || break
  done
  [ "$pages" = 3 ] || fail "12 entries in pages of 5 took $pages pages"
  [ "$(cut -d' ' -f1 <<<"${seen%$'\n'}" | tr '\n' ' ')" = "1 2 3 4 5 6 7 8 9 10 11 12 " ] \
    || fail "the ranks over the pages: $seen"
  sort -s -n -k2,2 <<<"${seen%$'\n'}" | diff - <(cat <<<"${seen%$'\n'}") >/dev/null \
    || fail "the pages are not in order of ticks: $seen"
  [ "$(cut -d' ' -f3- <<<"${seen%$'\n'}" | sort | uniq -d)" = "" ] || fail "an entry twice: $seen"
  get "$base/api/board?after=not-a-cursor"
  expect 400 "a cursor that cannot be read"

  get "$base/api/board/around?name=P8"
  expect 200 "around p8"
  local rank
  rank=$(field .rank)
  [ "$(jq -r --argjson r "$rank" '[.entries[].rank] == [range($r - 5; [$r + 6, 13] | min)]' \
    <<<"$body")" = true ] || fail "around p8: $body"
  get "$base/api/board/around?name=nobody"
  expect 404 "a name not on the board"

  # Only GET and POST /api/runs answer under /api/; nothing there deletes.
  get "$base/api/health"
  [ "$body" = '{"board":"skelvar","logic":'"$(field .logic)"'}' ] || fail "health: $body"
  get "$base/api/elsewhere"
  expect 404 "an unknown endpoint"
  body=$(curl -s -o /dev/null -w '%{http_code}' -X DELETE "$base/api/runs/$id")
  [ "$body" = 405 ] || fail "DELETE answered $body"

  # A body over 64 KiB is refused from its Content-Length, before a byte of it is sent.
  local s line
  exec {s}<>"/dev/tcp/127.0.0.1/$port"
  printf 'POST /api/runs HTTP/1.1\r\nHost: t\r\nContent-Length: 70000\r\n\r\n' >&"$s"
  read -r -t 10 -u "$s" line || fail "no answer to a large body's headers"
  [[ $line == "HTTP/1.1 413 "* ]] || fail "a large body: $line"
  exec {s}>&-
  # A chunked one over the cap too.
  status=$(head -c 70000 /dev/zero | curl -s -o /dev/null -w '%{http_code}' \
    -H 'Transfer-Encoding: chunked' --data-binary @- "$base/api/runs") || true
  expect 413 "a chunked body over the cap"

  # Many idle connections do not keep a normal request waiting.
  local idle=() fd
  for i in $(seq 300); do
    exec {fd}<>"/dev/tcp/127.0.0.1/$port"
    idle+=("$fd")
  done
  get "$base/api/board?limit=1"
  expect 200 "a page beside 300 idle connections"
  for fd in "${idle[@]}"; do exec {fd}>&-; done

  # A request sent a byte at a time is cut at the deadline on the whole request (2 s here),
  # though each byte comes well within libmicrohttpd's idle timeout.
  exec {s}<>"/dev/tcp/127.0.0.1/$port"
  (
    request='GET /api/health HTTP/1.1\r\nHost: t\r\nX-Padding: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n\r\n'
    for ((c = 0; c < ${#request}; c++)); do
      printf '%s' "${request:c:1}" >&"$s" 2>/dev/null || exit 0
      sleep 0.2 # the slow client's own pace
    done
  ) &
  local sender=$!
  if read -r -t 30 -u "$s" line; then fail "a slow request was answered: $line"; fi
  kill "$sender" 2>/dev/null || true
  wait "$sender" 2>/dev/null || true
  exec {s}>&-
  grep -q "did not arrive within 2 s" "$work/main.err" || fail "the cut was not logged"

  # Each refusal is one line of the log.
  [ "$(grep -c ' 422 POST /api/runs' "$work/main.err")" = 3 ] || fail "422s logged"

  # SIGTERM stops the server cleanly.
  local main=$server_pid code=0
  kill -TERM "$main"
  wait "$main" || code=$?
  [ "$code" = 0 ] || fail "the server stopped on SIGTERM with status $code"

  # The operator's commands: every kept run plays the same again; a hidden run leaves the board
  # and its code unserved; a dropped player's name is free for another key.
  "$board" --database "$database" --reverify >"$work/reverify.out" ||
    fail "--reverify: $(cat "$work/reverify.out")"
  grep -qx '12 runs played again, 0 changed' "$work/reverify.out" ||
    fail "--reverify: $(cat "$work/reverify.out")"
  "$board" --database "$database" --hide "$id" >/dev/null || fail "--hide $id"
  "$board" --database "$database" --drop-player P7 >/dev/null || fail "--drop-player P7"
  if "$board" --database "$database" --hide "$id" 2>/dev/null; then fail "hid a run twice"; fi
  start_board after --submit-rate 100000
  get "$base/api/board?limit=100"
  [ "$(field '.entries | length')" = 10 ] && [ "$(field '.entries[0].rank')" = 1 ] &&
    [ "$(field '[.entries[].name] | index("Ana"), index("p7")')" = $'null\nnull' ] ||
    fail "the board after --hide and --drop-player: $body"
  get "$base/api/runs/$id"
  expect 404 "a hidden run's code"
  post "$base" "${win[0]}" '"P7"' key-new-p7-0123456789
  expect 200 "a hidden run sent again"
  post "$base" "$("$codes" variants 1 "${win[0]}")" '"P7"' key-new-p7-0123456789
  expect 201 "a dropped name taken by another key"

  # A client over its rate is told when to come back.
  start_board rate --submit-rate 2
  post "$base" "${win[0]}" '"Ana"' key-ana-0123456789
  post "$base" "${win[0]}" '"Ana"' key-ana-0123456789
  post "$base" "${win[0]}" '"Ana"' key-ana-0123456789
  expect 429 "the third run in a minute at --submit-rate 2"
  [ "$(curl -s -D - -o /dev/null --data-binary '{}' "$base/api/runs" |
    tr -d '\r' | sed -n 's/^Retry-After: //Ip')" -ge 1 ] || fail "no Retry-After"

  # Behind a trusted proxy each client behind it has its own bucket; from any other peer the
  # header is not believed.
  local forwarded
  start_board proxied --submit-rate 1 --trust-proxy 127.0.0.1
  for forwarded in 203.0.113.1 203.0.113.2 203.0.113.1; do
    status=$(curl -s -o /dev/null -w '%{http_code}' -H "X-Forwarded-For: $forwarded" \
      --data-binary '{}' "$base/api/runs")
  done
  expect 429 "a second run from 203.0.113.1 behind the proxy"
  [ "$(grep -c ' 400 POST' "$work/proxied.err")" = 2 ] || fail "two clients behind the proxy"
  start_board direct --submit-rate 1 --trust-proxy 192.0.2.7
  for forwarded in 203.0.113.1 203.0.113.2; do
    status=$(curl -s -o /dev/null -w '%{http_code}' -H "X-Forwarded-For: $forwarded" \
      --data-binary '{}' "$base/api/runs")
  done
  expect 429 "a forged X-Forwarded-For from a peer that is not a proxy"
}

case "$mode" in
  sqlite)
    database=$work/board.sqlite3
    api_checks
    ;;
  postgresql)
    start_postgres
    api_checks
    ;;
  two-servers)
    start_postgres
    win=()
    for i in $(seq 0 19); do win+=("$(winning "$i")"); done
    start_board a --submit-rate 100000
    a=$base
    start_board b --submit-rate 100000
    b=$base
    # Each run to both servers at once.
    senders=()
    for i in "${!win[@]}"; do
      for server in "$a" "$b"; do
        curl -s -o /dev/null -w "$i %{http_code}\n" --max-time 30 -H 'Content-Type: application/json' \
          --data-binary "{\"code\": \"${win[$i]}\", \"name\": \"two$i\", \"key\": \"key-two-$i-0123456789\"}" \
          "$server/api/runs" >>"$work/statuses" &
        senders+=($!)
      done
    done
    wait "${senders[@]}"
    for i in "${!win[@]}"; do
      [ "$(grep -c "^$i 201$" "$work/statuses")" = 1 ] && [ "$(grep -c "^$i 200$" "$work/statuses")" = 1 ] \
        || fail "run $i: $(grep "^$i " "$work/statuses" | tr '\n' ' ')"
    done
    for server in "$a" "$b"; do
      get "$server/api/board?limit=100"
      [ "$(jq -r '[.entries[].name] | sort | unique | length' <<<"$body")" = 20 ] &&
        [ "$(field '.entries | length')" = 20 ] || fail "the board on $server: $body"
    done
    ;;
  sigkill)
    database=$work/board.sqlite3
    win=()
    for i in $(seq 0 119); do win+=("$(winning "$i")"); done
    start_board first --submit-rate 100000
    mkfifo "$work/answers"
    for i in "${!win[@]}"; do
      printf '%s\n' "{\"code\": \"${win[$i]}\", \"name\": \"k$i\", \"key\": \"key-kill-$i-0123456789\"}"
    done | xargs -P 6 -d '\n' -n 1 sh -c '
      answer=$(curl -s -o - -w " %{http_code}" --max-time 30 -H "Content-Type: application/json" \
        --data-binary "$1" "$0/api/runs")
      printf "%s\n" "$answer"' "$base" >"$work/answers" &
    # Killed once a dozen runs are answered 201, with the rest in flight.
    kept=()
    exec {answers}<"$work/answers"
    while read -r -u "$answers" line; do
      if [[ $line == *" 201" ]]; then
        [[ $line =~ \"id\":\"([0-9a-f]{64})\" ]] || fail "a 201 without an id: $line"
        kept+=("${BASH_REMATCH[1]}")
        if [ "${#kept[@]}" = 12 ]; then kill -9 "$server_pid"; fi
      fi
    done
    [ "${#kept[@]}" -ge 12 ] || fail "only ${#kept[@]} runs answered 201 before the kill"
    [ "${#kept[@]}" -lt 120 ] || fail "every run was answered before the kill"
    start_board second --submit-rate 100000
    for id in "${kept[@]}"; do
      get "$base/api/runs/$id"
      expect 200 "run $id, answered 201 before the kill"
    done
    get "$base/api/board?limit=100"
    [ "$(field '.entries | length')" -ge "${#kept[@]}" ] || fail "the board after the kill: $body"
    ;;
  *)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac
echo "board $mode: passed"
