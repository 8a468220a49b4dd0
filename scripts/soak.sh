#!/usr/bin/env bash
# Long play of the real main window under Wine: builds vantor_soak.exe in a
# Windows build folder and runs it there, beside the backdrops, for about a
# minute (its figures: memory and GDI objects before and after), then checks
# that the soak catches a deliberate leak of GDI objects and one of memory.
# Needs DISPLAY and the Wine environment (WINEPREFIX, ...) that run-tests sets
# up. Prints one line per check and "N passed, M failed"; exits non-zero on a
# failure.
#
#   scripts/soak.sh BUILD_DIR [vantor_soak options, e.g. --steps 8000 --seconds 240]
set -u -o pipefail

if [ $# -lt 1 ] || [ ! -f "$1/CMakeCache.txt" ]; then
    echo "usage: $0 <windows build dir> [vantor_soak options]" >&2
    exit 2
fi
BUILD=$(cd "$1" && pwd)
shift
for needed in DISPLAY WINEPREFIX; do
    if [ -z "${!needed:-}" ]; then
        echo "$needed is not set: run under the virtual display and Wine prefix of run-tests" >&2
        echo "0 passed, 1 failed"
        exit 1
    fi
done

LOGS=$BUILD/soak-logs
mkdir -p "$LOGS"
PASSED=0
FAILED=0

result() {
    local ok=$1 what=$2
    if [ "$ok" -eq 0 ]; then
        echo "ok    $what"
        PASSED=$((PASSED + 1))
    else
        echo "FAIL  $what"
        FAILED=$((FAILED + 1))
    fi
}

if ! cmake --build "$BUILD" --target vantor_soak vantor_backdrops -j 2 >"$LOGS/build.log" 2>&1; then
    tail -n 30 "$LOGS/build.log"
    result 1 "vantor_soak builds (see $LOGS/build.log)"
    echo "$PASSED passed, $FAILED failed"
    exit 1
fi

# glibc, under Wine's GDI, raises its threshold for giving large blocks back to
# the system each time one is freed, and then keeps freed bitmaps in its heap:
# the process's memory would wander by megabytes with the order of the window
# sizes. A fixed threshold gives every large bitmap back when it is deleted, so
# that what the soak measures is what the process holds.
export GLIBC_TUNABLES=${GLIBC_TUNABLES:+$GLIBC_TUNABLES:}glibc.malloc.mmap_threshold=131072

# run LOG SECONDS ARGS...: runs the soak in the build folder, its output in LOG;
# returns its exit code (124 when the time limit ended it).
run() {
    local log=$1 limit=$2
    shift 2
    (cd "$BUILD" && timeout -k 10 "$limit" wine tests/soak/vantor_soak.exe "$@" >"$log" 2>&1 </dev/null)
    local code=$?
    sed -i 's/\r$//' "$log"  # the program writes Windows line ends
    return "$code"
}

# The soak itself: its own checks count one by one.
run "$LOGS/soak.log" 400 "$@"
code=$?
grep -v -E '^[0-9]+ passed, [0-9]+ failed$' "$LOGS/soak.log" | grep -v -i -E 'fixme|wine32|multiarch|dpkg --add|apt-get install'
summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$LOGS/soak.log" | tail -n1)
if [ -n "$summary" ]; then
    read -r passed _ failed _ <<<"$summary"
    PASSED=$((PASSED + passed))
    FAILED=$((FAILED + failed))
    if [ "$code" -ne 0 ] && [ "$failed" -eq 0 ]; then
        result 1 "the soak exited with code $code"
    fi
else
    result 1 "the soak ran to its end (exit code $code, see $LOGS/soak.log)"
fi

# leak_is_caught NAME EXPECTED-FAILURE ARGS...: a short soak with a deliberate
# leak must fail, and on that very check only.
leak_is_caught() {
    local expected=$2 log=$LOGS/leak-$1.log
    shift 2
    run "$log" 120 --steps 200 --warm-up 100 "$@"
    local code=$?
    local failures
    failures=$(grep -c '^FAIL' "$log")
    [ "$code" -eq 1 ] && [ "$failures" -ge 1 ] && grep -q "^FAIL  $expected" "$log" &&
        ! grep '^FAIL' "$log" | grep -v -q -e "$expected" -e 'working set'
}
leak_is_caught gdi "GDI objects did not grow" --leak-gdi 3
result $? "a leak of 3 GDI objects is caught (see $LOGS/leak-gdi.log)"
leak_is_caught memory "private memory grew" --leak-kb 512
result $? "a leak of 512 KiB of memory is caught (see $LOGS/leak-memory.log)"

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
