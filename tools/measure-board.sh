#!/usr/bin/env bash
# Measures the board with wrk against a local server: new winning runs a second verified and
# committed (SQLite with full sync, then PostgreSQL), board pages a second, a player's rank among
# a million, and the resident memory with 1,000 idle connections. A benchmark, not a pass/fail
# test: the targets are printed beside the figures.
#   tools/measure-board.sh [BUILD_DIR]     (build by default; a build with the tests, for
#                                           board-codes, which makes the distinct winning runs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
command -v wrk >/dev/null || { echo "measure-board: needs wrk (package wrk)" >&2; exit 1; }
cmake --build "$build" -j 2 --target skelvar-board skelvar-replay board-codes >/dev/null
seconds=${BOARD_SECONDS:-5}
work=$(mktemp -d /tmp/skelvar-board.XXXXXX)
pids=()
pgbin=/usr/lib/postgresql/15/bin
pgdata=
as_pg=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  if [ -n "$pgdata" ]; then "${as_pg[@]}" "$pgbin/pg_ctl" -D "$pgdata" -m fast stop >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Starts a server and waits for its listening line; sets $base and $server.
start_board() {
  local fd line
  exec {fd}< <(exec "$build/skelvar-board" --listen 127.0.0.1:0 "$@" 2>>"$work/board.err")
  server=$!
  pids+=("$server")
  read -r -t 60 -u "$fd" line || { echo "measure-board: the server did not start" >&2; exit 1; }
  line=${line#*127.0.0.1:}
  base=http://127.0.0.1:${line%%/*}
}
stop_board() { kill "$server"; while kill -0 "$server" 2>/dev/null; do sleep 0.1; done; }

start_postgres() {
  [ -x "$pgbin/initdb" ] || return 1
  local dir
  dir=$(mktemp -d -p "$work")
  if [ "$(id -u)" -eq 0 ]; then chmod 755 "$work"; chown nobody: "$dir"; as_pg=(runuser -u nobody --); fi
  "${as_pg[@]}" "$pgbin/initdb" -D "$dir/data" -A trust -U board >/dev/null
  pgdata=$dir/data
  "${as_pg[@]}" "$pgbin/pg_ctl" -D "$pgdata" -l "$dir/log" -w \
    -o "-k $dir -c listen_addresses='' -c shared_buffers=256MB" start >/dev/null
  postgres="postgresql:///postgres?host=$dir&user=board"
}

# Distinct winning runs: the suite's winning run, each with its own press of a key the game
# ignores, so that every one is a new run the board plays through.
winning=$("$build/skelvar-replay" --save-run - --ticks 460 "$root/tests/records/winning.txt")
"$build/board-codes" variants 40000 "$winning" >"$work/codes"
fast=(--submit-rate 1000000000 --queue 4096 --per-address 1024)

submissions() {
  CODES=$work/codes THREADS=2 wrk -t2 -c32 -d"${seconds}s" --latency \
    -s "$root/tools/board/post-runs.lua" "$base" | tail -n 1
}

echo "== The board ($(date -u +%Y-%m-%dT%H:%M:%SZ), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
echo "-- new winning runs, verified and committed, SQLite (WAL, synchronous=FULL)"
echo "   target: at least 2,000/s, p99 under 50 ms"
start_board --database "$work/board.sqlite3" "${fast[@]}"
submissions
echo "-- board pages (GET /api/board?limit=20) on that board"
echo "   target: at least 20,000/s, p99 under 10 ms"
wrk -t2 -c64 -d"${seconds}s" --latency -s "$root/tools/board/pages.lua" "$base" | tail -n 1
stop_board

echo "-- resident memory with 1,000 idle connections"
echo "   target: at most 64 MB"
ulimit -n 4096
start_board --database "$work/board.sqlite3" --per-address 2000 --max-connections 2048 \
  --request-timeout 600
port=${base##*:}
idle=()
for i in $(seq 1000); do
  exec {fd}<>"/dev/tcp/127.0.0.1/$port"
  idle+=("$fd")
done
curl -s -o /dev/null "$base/api/health" # answered once all 1,000 are taken in
open=$(ss -Htn state established "( sport = :$port )" | wc -l)
echo "connections open: $open, resident: $(awk '/VmRSS/ { printf "%.1f MB", $2 / 1024 }' "/proc/$server/status")"
for fd in "${idle[@]}"; do exec {fd}>&-; done
stop_board

echo "-- a player's rank among 1,000,000 (GET /api/board/around: the rank and 11 entries)"
echo "   target: at most 2 ms"
start=$(date +%s%N)
"$build/skelvar-board" --database "$work/million.sqlite3" --seed-players 1000000 >/dev/null
echo "seeded SQLite in $((($(date +%s%N) - start) / 1000000)) ms"
start_board --database "$work/million.sqlite3"
wrk -t1 -c1 -d"${seconds}s" --latency -s "$root/tools/board/rank.lua" "$base" | tail -n 1
stop_board

if start_postgres; then
  echo "-- new winning runs, verified and committed, PostgreSQL 15 (its own cluster, fsync on)"
  start_board --database "$postgres" "${fast[@]}"
  submissions
  echo "-- board pages on PostgreSQL"
  wrk -t2 -c64 -d"${seconds}s" --latency -s "$root/tools/board/pages.lua" "$base" | tail -n 1
  stop_board
  "${as_pg[@]}" "$pgbin/dropdb" -h "${pgdata%/data}" -U board --if-exists million >/dev/null 2>&1 || true
  "${as_pg[@]}" "$pgbin/createdb" -h "${pgdata%/data}" -U board million
  start=$(date +%s%N)
  "$build/skelvar-board" --database "${postgres/\/postgres?/\/million?}" --seed-players 1000000 >/dev/null
  echo "-- a player's rank among 1,000,000 on PostgreSQL (seeded in $((($(date +%s%N) - start) / 1000000)) ms)"
  start_board --database "${postgres/\/postgres?/\/million?}"
  wrk -t1 -c1 -d"${seconds}s" --latency -s "$root/tools/board/rank.lua" "$base" | tail -n 1
  stop_board
else
  echo "-- PostgreSQL: skipped, its server is not installed (package postgresql-15)"
fi
