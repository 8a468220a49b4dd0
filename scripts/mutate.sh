#!/usr/bin/env bash
# The mutation run: plants each fault of tests/mutants.txt, one at a time, in a
# scratch copy of the committed HEAD under build/mutate/, rebuilds incrementally
# and runs the test layers cheapest first (native, Win32 under Wine, end to end
# under Wine, the page in headless Chromium) until a named test fails and fails
# again on its own. One line per fault with the test that caught it, then
# "K of N caught"; a run of the whole catalogue writes its table to
# tests/mutants-record.md. The exit status is non-zero when a fault was not
# caught, did not apply or did not build, or when the unmutated copy does not
# pass its own tests.
#
#   scripts/mutate.sh                 every fault (about 40 minutes on 2 cores)
#   scripts/mutate.sh --only TEXT     the faults whose id or description contains TEXT
#   scripts/mutate.sh --id ID[,ID]    the faults with these ids
#   scripts/mutate.sh --layer LAYER   the faults whose cheapest layer is native, win32, e2e or web
#   scripts/mutate.sh --list          the catalogue, checked against HEAD; builds nothing
#   scripts/mutate.sh --work DIR ...  works in DIR instead of build/mutate
#
# It runs on its own virtual display and its own Wine prefix (DIR/wineprefix),
# so it never shares a wineserver with ./run-tests or another session, and stops
# what it started, by pid or by its own prefix, when it ends.
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

# A fresh start, but for the Wine prefix (slow to create, and ours alone), the
# compiler cache, and the scratch copy with its build trees, which the driver
# brings up to HEAD file by file so that they rebuild only what changed.
find "$WORK" -mindepth 1 -maxdepth 1 ! -name wineprefix ! -name ccache ! -name lock \
    ! -name src ! -name native ! -name win ! -name web -exec rm -rf {} +
mkdir -p "$WORK/logs" "$WORK/tmp"
export TMPDIR=$WORK/tmp
export CCACHE_DIR=$WORK/ccache

# What the run builds and runs: the native tree with GoogleTest, the mingw-w64
# tree, Wine on Xvfb, the browser build and headless Chromium, the end-to-end
# harness, and ccache for the many small rebuilds.
if ! vantor_install_packages "${VANTOR_PLAY_PACKAGES[@]}" "${VANTOR_WEB_PACKAGES[@]}" g++ libgtest-dev ccache \
    >"$WORK/logs/install.log" 2>&1; then
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
python3 "$ROOT/scripts/mutate.py" "$@" --work "$WORK" </dev/null &
DRIVER_PID=$!
wait "$DRIVER_PID"
status=$?
DRIVER_PID=
cleanup
exit "$status"
