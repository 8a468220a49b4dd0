#!/usr/bin/env bash
# The mutation run: plants each fault of tests/mutants.txt, one at a time, in a
# scratch copy of the committed HEAD, rebuilds incrementally and runs the test
# layers cheapest first (native, Win32 under Wine, end to end under Wine, the
# page in headless Chromium) until a named test fails and fails again on its
# own. One line per fault with the test that caught it, then "K of N caught";
# the rows go into tests/mutants-record.md. The exit status is non-zero when a
# fault was not caught, did not apply or did not build, or when the unmutated
# copy does not pass its own tests.
#
#   scripts/mutate.sh                 every fault (about an hour on 2 cores)
#   scripts/mutate.sh --only TEXT     the faults whose id or description contains TEXT
#   scripts/mutate.sh --id ID[,ID]    the faults with these ids
#   scripts/mutate.sh --layer LAYER   the faults whose cheapest layer is native, win32, e2e or web
#   scripts/mutate.sh --list          the catalogue, checked against HEAD; builds nothing
#   scripts/mutate.sh --work DIR ...  works in DIR instead of build/mutate
#
# It runs on its own virtual display and its own Wine prefix (DIR/wineprefix),
# so it never shares a wineserver with ./run-tests or another session, and stops
# what it started when it ends.
set -u -o pipefail
cd "$(dirname "$0")/.." || exit 1

ROOT=$PWD
WORK=$ROOT/build/mutate
previous=
for arg in "$@"; do
    case $arg in
    --list | -h | --help) exec python3 "$ROOT/scripts/mutate.py" "$@" ;;
    esac
    [ "$previous" = --work ] && WORK=$(realpath -m "$arg")
    previous=$arg
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
# The scratch copy, its build trees, the compiler cache and the Wine prefix are
# kept from run to run, so that a run rebuilds only what changed.
rm -rf "$WORK/logs" "$WORK/tmp"
mkdir -p "$WORK/logs" "$WORK/tmp"
export TMPDIR=$WORK/tmp CCACHE_DIR=$WORK/ccache

if ! vantor_install_packages "${VANTOR_PLAY_PACKAGES[@]}" "${VANTOR_WEB_PACKAGES[@]}" g++ libgtest-dev ccache \
    >"$WORK/logs/install.log" 2>&1; then
    echo "could not install the packages (see $WORK/logs/install.log)" >&2
    exit 1
fi

DRIVER_PID=
cleanup() {
    [ -n "$DRIVER_PID" ] && kill "$DRIVER_PID" 2>/dev/null && wait "$DRIVER_PID" 2>/dev/null
    DRIVER_PID=
    vantor_stop_wine
    vantor_stop_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Our own display even when DISPLAY is set: the checks read pixels off the screen.
vantor_wine_env "$WORK/wineprefix"
if ! vantor_start_xvfb "$WORK/logs/xvfb.log" || ! vantor_start_wine "$WORK/logs/wine.log"; then
    echo "the virtual display or Wine did not start (see $WORK/logs)" >&2
    exit 1
fi

# In the background, so that a signal reaches the trap at once; the driver stops
# what it runs when it is told to end.
python3 "$ROOT/scripts/mutate.py" "$@" --work "$WORK" </dev/null &
DRIVER_PID=$!
wait "$DRIVER_PID"
status=$?
DRIVER_PID=
exit "$status"
