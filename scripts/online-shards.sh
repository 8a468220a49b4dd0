#!/usr/bin/env bash
# Three vantor-server instances behind HAProxy on 127.0.0.1, each room routed to
# one instance by consistent hashing on its id (the `room` parameter of /ws), each
# instance with its own database. Shows, with rooms made and played through the
# proxy by the load generator:
#   1. both players of every room meet on one instance;
#   2. the rooms spread over all three instances;
#   3. an instance killed with SIGKILL stops only its own rooms: every other
#      room still answers, from the same instance as before;
#   4. started again on its database, it serves its rooms again with every
#      acknowledged move.
# Prints one line per claim and "N passed, M failed"; the exit status is non-zero
# when any claim fails. Loopback only, about ten seconds; stops what it started.
#
#   scripts/online-shards.sh [BUILD_DIR]   (default build/native)
set -u -o pipefail
cd "$(dirname "$0")/.." || exit 2
ROOT=$PWD
BUILD=${1:-$ROOT/build/native}
ROOMS=60
NAMES=(one two three)
WORK=$(mktemp -d)
declare -A PID PORT
PASSED=0
FAILED=0

die() {
    echo "online-shards: $1" >&2
    echo "$PASSED passed, $((FAILED + 1)) failed"
    exit 1
}

cleanup() {
    local name
    for name in "${!PID[@]}"; do
        kill "${PID[$name]}" 2>/dev/null && wait "${PID[$name]}" 2>/dev/null
    done
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# claim TEXT CONDITION-STATUS: one line per claim.
claim() {
    if [ "$2" -eq 0 ]; then
        echo "ok    $1"
        PASSED=$((PASSED + 1))
    else
        echo "FAIL  $1"
        FAILED=$((FAILED + 1))
    fi
}

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# wait_for_line FILE TEXT: up to ten seconds for a started program's first words.
wait_for_line() {
    for _ in $(seq 100); do
        grep -q "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# start_instance NAME: the server NAME on its port and its own database. Its
# per-connection rate limit is for people; the load generator plays faster.
start_instance() {
    "$BUILD/server/vantor-server" --host 127.0.0.1 --port "${PORT[$1]}" --site "$WORK/site" \
        --db "$WORK/$1.db" --instance "$1" --rate 100000 >"$WORK/$1.log" 2>&1 &
    PID[$1]=$!
    wait_for_line "$WORK/$1.log" '^listening on' || die "instance $1 did not start: $(cat "$WORK/$1.log")"
}

command -v haproxy >/dev/null || die "haproxy is not installed"
{ cmake -S "$ROOT" -B "$BUILD" && cmake --build "$BUILD" --target vantor-server vantor_loadgen -j 2; } \
    >"$WORK/build.log" 2>&1 || { cat "$WORK/build.log" >&2; die "the server or the load generator does not build"; }
LOADGEN=$BUILD/bench/online/vantor_loadgen
mkdir -p "$WORK/site"

for name in "${NAMES[@]}"; do
    PORT[$name]=$(free_port)
    start_instance "$name"
done
PROXY_PORT=$(free_port)
sed -e "s/@PROXY_PORT@/$PROXY_PORT/" -e "s/@PORT_ONE@/${PORT[one]}/" -e "s/@PORT_TWO@/${PORT[two]}/" \
    -e "s/@PORT_THREE@/${PORT[three]}/" "$ROOT/scripts/haproxy-vantor.cfg" >"$WORK/haproxy.cfg"
haproxy -c -f "$WORK/haproxy.cfg" >"$WORK/haproxy-check.log" 2>&1 || die "bad HAProxy configuration: $(cat "$WORK/haproxy-check.log")"
haproxy -db -f "$WORK/haproxy.cfg" >"$WORK/haproxy.log" 2>&1 &
PID[haproxy]=$!
for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$PROXY_PORT") 2>/dev/null && break
    sleep 0.1
done

# Rooms made through the proxy and played for a second: "id token seq instance-of-maker instance-of-joiner".
timeout 60 "$LOADGEN" --port "$PROXY_PORT" --rooms "$ROOMS" --pace-seconds 0 --fast-seconds 1 \
    --save "$WORK/rooms.txt" >"$WORK/play.log" 2>&1
made=$(wc -l <"$WORK/rooms.txt" 2>/dev/null || echo 0)
[ "$made" -eq "$ROOMS" ] || die "only $made of $ROOMS rooms were made and played: $(tail -n 5 "$WORK/play.log")"

awk '$4 == "-" || $4 != $5 { bad++ } END { exit bad > 0 }' "$WORK/rooms.txt"
claim "both players of each of $ROOMS rooms meet on one instance" $?

spread=$(awk '{ n[$4]++ } END { for (i in n) printf "%s:%d ", i, n[i] }' "$WORK/rooms.txt")
[ "$(awk '{ print $4 }' "$WORK/rooms.txt" | sort -u | wc -l)" -eq 3 ]
claim "the rooms spread over all three instances ($spread)" $?

# resume ANSWERS: every saved room asked again through the proxy; "id instance" of
# each that answered, within three seconds, with all its acknowledged moves.
resume() {
    timeout 30 "$LOADGEN" --port "$PROXY_PORT" --resume "$WORK/rooms.txt" --since "$(date +%s%N)" \
        --wait-seconds 3 --answers "$1" >"$1.log" 2>&1
}

{ kill -KILL "${PID[two]}" && wait "${PID[two]}"; } 2>/dev/null
unset 'PID[two]'
resume "$WORK/without-two.txt"
# Every room of one and three answers from its own instance; none of two's does.
awk 'NR == FNR { by[$1] = $2; next } { if ($4 == "two" ? ($1 in by) : by[$1] != $4) bad++ } END { exit bad > 0 }' \
    "$WORK/without-two.txt" "$WORK/rooms.txt"
claim "instance two killed: only its $(grep -c ' two two$' "$WORK/rooms.txt") rooms stop, every other room answers from its own instance" $?

start_instance two
resume "$WORK/with-two.txt"
grep -q '^rooms_missing_actions 0$' "$WORK/with-two.txt.log" &&
    awk 'NR == FNR { by[$1] = $2; next } by[$1] != $4 { bad++ } END { exit bad > 0 }' \
        "$WORK/with-two.txt" "$WORK/rooms.txt"
claim "instance two started again: every room answers from its instance with every acknowledged move" $?

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
