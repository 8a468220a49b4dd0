#!/usr/bin/env bash
# The mutation run: plants each fault of tests/mutants.txt, one at a time, in a
# scratch copy of the committed HEAD under build/mutate/, rebuilds incrementally
# and runs the test layers cheapest first (native, Win32 under Wine, end to end),
# and reports which layer caught it. One line per fault, then "K of N caught".
# The exit status is non-zero when a fault was missed, did not apply or did not
# build, or when the unmutated copy does not pass its own tests.
#
#   scripts/mutate.sh                 every mutant (about 25 minutes on 2 cores)
#   scripts/mutate.sh --only TEXT     the mutants whose id or description contains TEXT
#   scripts/mutate.sh --list          the catalogue, checked against HEAD; builds nothing
#
# It runs on its own virtual display and its own Wine prefix (build/mutate/wineprefix),
# so it never shares a wineserver with ./run-tests or another session, and stops
# what it started, by pid or by its own prefix, when it ends.
set -u -o pipefail
cd "$(dirname "$0")/.." || exit 1

ROOT=$PWD
WORK=$ROOT/build/mutate

for arg in "$@"; do
    case $arg in
    --list | -h | --help) exec python3 "$ROOT/scripts/mutate.py" "$@" ;;
    esac
done

# shellcheck source=scripts/install-deps.sh
source "$ROOT/scripts/install-deps.sh"
# shellcheck source=scripts/virtual-display.sh
source "$ROOT/scripts/virtual-display.sh"

mkdir -p "$WORK"
exec 9>"$WORK/lock"
if ! flock -n 9; then
    echo "another mutation run is using $WORK" >&2
    exit 1
fi

# A fresh start: only the Wine prefix (slow to create, and ours alone) is kept.
find "$WORK" -mindepth 1 -maxdepth 1 ! -name wineprefix ! -name lock -exec rm -rf {} +
mkdir -p "$WORK/logs" "$WORK/tmp"
export TMPDIR=$WORK/tmp

# What the run builds and runs: the native tree with GoogleTest, the mingw-w64
# tree, Wine on Xvfb and the end-to-end harness (not the browser build).
if ! vantor_install_packages "${VANTOR_PLAY_PACKAGES[@]}" g++ libgtest-dev >"$WORK/logs/install.log" 2>&1; then
    echo "could not install the packages (see $WORK/logs/install.log)" >&2
    exit 1
fi

DRIVER_PID=
cleanup() {
    if [ -n "$DRIVER_PID" ]; then
        kill "$DRIVER_PID" 2>/dev/null
        wait "$DRIVER_PID" 2>/dev/null
        DRIVER_PID=
    fi
    vantor_stop_wine
    vantor_stop_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Our own display even when DISPLAY is set: the checks read pixels off the screen.
vantor_wine_env "$WORK/wineprefix"
if ! vantor_start_xvfb "$WORK/logs/xvfb.log"; then
    echo "the virtual display did not start (see $WORK/logs/xvfb.log)" >&2
    exit 1
fi
if ! vantor_start_wine "$WORK/logs/wine.log"; then
    echo "Wine did not start (see $WORK/logs/wine.log)" >&2
    exit 1
fi

# In the background, so that a signal reaches the trap at once; the driver stops
# what it runs when it is told to end.
python3 "$ROOT/scripts/mutate.py" --work "$WORK" "$@" </dev/null &
DRIVER_PID=$!
wait "$DRIVER_PID"
status=$?
DRIVER_PID=
cleanup
exit "$status"
