#!/usr/bin/env bash
# Fuzzes the raster device's BMP decoder (or the online server's messages) with
# libFuzzer (clang, AddressSanitizer, UndefinedBehaviorSanitizer) for a number
# of seconds: 60 by default, the long run is `scripts/fuzz.sh 3600`. Builds the
# target in a clang tree of its own, keeps the corpus it grows between runs, and
# writes any input that crashes, leaks, hangs or asks for 512 MiB or more to the
# fuzz folder. Prints "N passed, M failed"; exits non-zero on a finding.
#
#   scripts/fuzz.sh [SECONDS] [TARGET]
#   TARGET: bmp_fuzz (the default) or message_fuzz, the online server's message
#   parser and the rules it drives.
#   VANTOR_FUZZ_DIR (default build/fuzz, build/fuzz-message for message_fuzz):
#   tree/ the clang build, corpus/ the grown corpus, fuzz.log the run, crash-*,
#   leak-*, timeout-*, oom-* findings.
set -u -o pipefail
cd "$(dirname "$0")/.." || exit 2
ROOT=$PWD

SECONDS_TO_RUN=${1:-60}
if ! [[ $SECONDS_TO_RUN =~ ^[0-9]+$ ]] || [ "$SECONDS_TO_RUN" -eq 0 ]; then
    echo "usage: $0 [seconds] [bmp_fuzz | message_fuzz]" >&2
    exit 2
fi
TARGET=${2:-bmp_fuzz}
case $TARGET in
bmp_fuzz)
    DEFAULT_DIR=$ROOT/build/fuzz BINARY=tests/fuzz/bmp_fuzz DICT=$ROOT/tests/fuzz/bmp.dict
    SEEDS=("$ROOT/tests/data/bmp" "$ROOT/tests/fuzz/seeds")
    ;;
message_fuzz)
    DEFAULT_DIR=$ROOT/build/fuzz-message BINARY=server/message_fuzz DICT=$ROOT/server/fuzz/message.dict
    SEEDS=("$ROOT/server/fuzz/seeds")
    ;;
*)
    echo "usage: $0 [seconds] [bmp_fuzz | message_fuzz]" >&2
    exit 2
    ;;
esac
DIR=${VANTOR_FUZZ_DIR:-$DEFAULT_DIR}
mkdir -p "$DIR/corpus"
DIR=$(cd "$DIR" && pwd)
TREE=$DIR/tree
LOG=$DIR/fuzz.log

# shellcheck source=scripts/install-deps.sh
source "$ROOT/scripts/install-deps.sh"

fail() {
    echo "FAIL  $1"
    echo "0 passed, 1 failed"
    exit 1
}

vantor_install_packages cmake make clang libclang-rt-14-dev >"$DIR/install.log" 2>&1 ||
    fail "clang and its fuzzing runtime could not be installed (see $DIR/install.log)"

# Only the fuzz target is built; the rest of the tree need only configure.
if ! CC=clang CXX=clang++ cmake -S "$ROOT" -B "$TREE" -DVANTOR_FUZZ=ON -DVANTOR_BENCHMARKS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$DIR/configure.log" 2>&1; then
    tail -n 20 "$DIR/configure.log"
    fail "the clang tree configures (see $DIR/configure.log)"
fi
if ! cmake --build "$TREE" --target "$TARGET" -j 2 >"$DIR/build.log" 2>&1; then
    tail -n 30 "$DIR/build.log"
    fail "$TARGET builds (see $DIR/build.log)"
fi

# The findings of an earlier run stay until looked at; only new ones count here.
started=$(date +%s.%N)
"$TREE/$BINARY" \
    -max_total_time="$SECONDS_TO_RUN" \
    -rss_limit_mb=2048 \
    -malloc_limit_mb=512 \
    -timeout=10 \
    -print_final_stats=1 \
    -dict="$DICT" \
    -artifact_prefix="$DIR/" \
    "$DIR/corpus" "${SEEDS[@]}" >"$LOG" 2>&1
code=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$LOG" | tail -n1)
coverage=$(grep -o 'cov: [0-9]*' "$LOG" | tail -n1)
corpus=$(find "$DIR/corpus" -type f | wc -l)
new_findings=$(find "$DIR" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
    -o -name 'oom-*' -o -name 'slow-unit-*' \) -newermt "@$started" | sort)

if [ "$code" -eq 0 ] && [ -z "$new_findings" ] && [ -n "$runs" ]; then
    echo "ok    $TARGET: ${runs} inputs in ${SECONDS_TO_RUN} s, ${coverage:-cov: ?}, corpus of ${corpus} files, no finding"
    echo "1 passed, 0 failed"
    exit 0
fi
grep -E 'ERROR|SUMMARY|==[0-9]+==|Test unit written|out-of-memory|Base64' "$LOG" | head -n 20
echo "FAIL  $TARGET found a problem (exit code $code, log $LOG)${new_findings:+; inputs:}"
for finding in $new_findings; do
    echo "      $finding"
done
echo "      reproduce: $TREE/$BINARY <input>"
echo "0 passed, 1 failed"
exit 1
