#!/usr/bin/env bash
# Prints the online server's figures, measured with the load generator against
# one vantor-server on 127.0.0.1, then each figure against its goal:
#   - ROOMS rooms (two connections each) at one move a second per room: a move
#     sent to the opponent receiving it, p50 and p99;
#   - the same rooms as fast as they can: moves stored (SQLite WAL,
#     synchronous=FULL) and acknowledged per second;
#   - the server's memory per room with its two connections;
#   - the server killed with SIGKILL and started again: the time to every room
#     answering a hello with its whole state, and no acknowledged move missing.
# Loopback only; bounded in time (about a minute) and stops everything it started.
# Not a test: the exit status is non-zero only when the run itself failed.
#
#   scripts/online-figures.sh [BUILD_DIR]   (default build/native; env ROOMS,
#                                            PACE_SECONDS, FAST_SECONDS)
set -u -o pipefail
cd "$(dirname "$0")/.." || exit 2
ROOT=$PWD
BUILD=${1:-$ROOT/build/native}
ROOMS=${ROOMS:-1000}
PACE_SECONDS=${PACE_SECONDS:-20}
FAST_SECONDS=${FAST_SECONDS:-10}
WORK=$(mktemp -d)
SERVER_PID=
RESUMER=

die() {
    echo "online-figures: $1" >&2
    exit 1
}

cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null && wait "$SERVER_PID" 2>/dev/null
    [ -n "$RESUMER" ] && kill "$RESUMER" 2>/dev/null && wait "$RESUMER" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# 2000 connections on each side of the loopback, and the database.
ulimit -n "$(ulimit -H -n)" || die "cannot raise the open-file limit"
[ "$(ulimit -n)" -ge 8192 ] || die "the open-file limit is $(ulimit -n); 8192 are needed"

{ cmake -S "$ROOT" -B "$BUILD" && cmake --build "$BUILD" --target vantor-server vantor_loadgen -j 2; } \
    >"$WORK/build.log" 2>&1 || { cat "$WORK/build.log" >&2; die "the server or the load generator does not build"; }
SERVER=$BUILD/server/vantor-server
LOADGEN=$BUILD/bench/online/vantor_loadgen
PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$WORK/site"

# start_server: starts the server on PORT with the run's database; SERVER_PID.
# Its per-connection rate limit is for people; the load generator plays faster.
start_server() {
    "$SERVER" --host 127.0.0.1 --port "$PORT" --site "$WORK/site" --db "$WORK/rooms.db" --rate 100000 >>"$WORK/server.log" 2>&1 &
    SERVER_PID=$!
}

start_server
for _ in $(seq 100); do
    grep -q '^listening on' "$WORK/server.log" && break
    sleep 0.1
done
grep -q '^listening on' "$WORK/server.log" || die "the server did not start: $(cat "$WORK/server.log")"

# What the machine gives right now: the figures depend on both.
echo "$ROOMS rooms on vantor-server at 127.0.0.1:$PORT, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$WORK/commit-test.db" <<'PY'
import sqlite3, sys, time
db = sqlite3.connect(sys.argv[1], isolation_level=None)
db.execute("PRAGMA journal_mode=WAL")
db.execute("PRAGMA synchronous=FULL")
db.execute("CREATE TABLE t (n)")
times = []
for n in range(200):
    start = time.perf_counter()
    db.execute("BEGIN")
    db.execute("INSERT INTO t VALUES (?)", (n,))
    db.execute("COMMIT")
    times.append((time.perf_counter() - start) * 1000)
times.sort()
print("one SQLite commit (WAL, synchronous=FULL) on this disk: p50 %.2f ms, p99 %.2f ms" % (times[100], times[197]))
PY
timeout $((PACE_SECONDS + FAST_SECONDS + 120)) "$LOADGEN" --port "$PORT" --rooms "$ROOMS" --pace-seconds "$PACE_SECONDS" \
    --fast-seconds "$FAST_SECONDS" --server-pid "$SERVER_PID" --save "$WORK/rooms.txt" |
    tee "$WORK/play.txt"
[ "${PIPESTATUS[0]}" -eq 0 ] || echo "online-figures: the load generator met failures (above)" >&2

# The restart: SIGKILL, as a crash would, then the time from the new start. The
# load generator is started first and waits for the port, so that its own
# start is not counted; it reads the server's start time when it is done.
kill -KILL "$SERVER_PID"
wait "$SERVER_PID" 2>/dev/null
timeout 30 "$LOADGEN" --port "$PORT" --resume "$WORK/rooms.txt" --since-file "$WORK/since" >"$WORK/restart.txt" &
RESUMER=$!
sleep 1
date +%s%N >"$WORK/since"
start_server
wait "$RESUMER"
RESUMER=
cat "$WORK/restart.txt"
kill -TERM "$SERVER_PID"
wait "$SERVER_PID" 2>/dev/null
SERVER_PID=

value() { awk -v k="$1" '$1 == k { print $2 }' "$WORK/play.txt" "$WORK/restart.txt" | tail -n1; }
# goal NAME VALUE OP TARGET UNIT: one line of the table.
goal() {
    local verdict=missed
    [ -n "$2" ] && awk -v v="$2" -v t="$4" -v op="$3" 'BEGIN { exit !(op == "<=" ? v <= t : v >= t) }' && verdict=met
    printf '%-58s %10s %s   goal %s %s   %s\n' "$1" "${2:-?}" "$5" "$3" "$4" "$verdict"
}
echo
goal "move to the opponent, p50 ($(value rooms_made) rooms, 1 move/s each)" "$(value pace_p50_ms)" "<=" 20 ms
goal "move to the opponent, p99" "$(value pace_p99_ms)" "<=" 20 ms
goal "moves stored durably and acknowledged per second" "$(value fast_moves_per_second)" ">=" 10000 /s
goal "server memory per room with its two connections" "$(value server_kib_per_room)" "<=" 64 KiB
goal "restart to every room served again" "$(value restart_to_all_served_ms)" "<=" 1000 ms
echo "rooms with an acknowledged move missing after the restart: $(value rooms_missing_actions)"
echo "the restarted server's first connection accepted after $(value restart_to_first_connection_ms) ms"
echo "CPU per move played as fast as they can: server $(value fast_server_cpu_us_per_move) µs," \
    "load generator $(value fast_loadgen_cpu_us_per_move) µs"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
