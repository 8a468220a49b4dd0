#!/usr/bin/env bash
# Prints the figures quoted in the README, each under the command that gives it
# again, the two front ends side by side where both have the figure: vantor.exe
# under Wine and the page in headless Chromium.
#   - the benchmarks (native);
#   - start to the first board on the screen: `wine vantor.exe`, and a load of
#     the page;
#   - a click's answer in Human <> Computer, from the click to the computer's
#     dot on the screen, and the thinking pause inside it;
#   - a 20 x 20 Computer <> Computer round, and its share that is not pausing;
#   - the download: the page's files without and with the pictures, the
#     release packages and the stripped vantor.exe;
#   - the soak's memory and GDI objects before and after long play under Wine;
# then each figure against its goal. Builds what is missing. Uses DISPLAY and
# WINEPREFIX when they are set, else starts a virtual display and a Wine prefix
# of its own. Takes about three minutes once everything is built; not a test.
#
#   scripts/figures.sh [BUILD_ROOT]   (builds: BUILD_ROOT/native, BUILD_ROOT/win, BUILD_ROOT/web)
set -u -o pipefail
cd "$(dirname "$0")/.." || exit 2
ROOT=$PWD
BUILD=$(mkdir -p "${1:-$ROOT/build}" && cd "${1:-$ROOT/build}" && pwd)
NATIVE=$BUILD/native
WIN=$BUILD/win
WEB=$BUILD/web
LOGS=$BUILD/figures-logs
mkdir -p "$LOGS"
STARTS=5  # starts of vantor.exe, loads of the page
ANSWER_GAMES=2
ANSWER_CLICKS=6  # clicks per game
ROUNDS=3  # 20 x 20 Computer <> Computer rounds
# What each measuring step found, as "key value" lines, for the goals at the end.
VALUES=$LOGS/values.txt
: >"$VALUES"

# shellcheck source=scripts/install-deps.sh
source "$ROOT/scripts/install-deps.sh"
# shellcheck source=scripts/virtual-display.sh
source "$ROOT/scripts/virtual-display.sh"

die() {
    echo "figures: $1" >&2
    exit 1
}

vantor_install_packages "${VANTOR_TEST_PACKAGES[@]}" >"$LOGS/install.log" 2>&1 ||
    die "packages could not be installed (see $LOGS/install.log)"
{ cmake -S "$ROOT" -B "$NATIVE" && cmake --build "$NATIVE" --target vantor_bench -j 2; } >"$LOGS/native.log" 2>&1 ||
    die "the native benchmarks do not build (see $LOGS/native.log)"
# All of the Windows tree: CPack builds everything before it packs, on one core.
{ cmake -S "$ROOT" -B "$WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw.cmake" &&
    cmake --build "$WIN" -j 2; } >"$LOGS/win.log" 2>&1 ||
    die "the Windows build fails (see $LOGS/win.log)"
grep -q 'vantor_round_time' "$WIN/CMakeFiles/TargetDirectories.txt" ||
    die "the Windows build has no vantor_round_time: CMakeLists.txt must add bench/win32 for WIN32"
cmake --build "$WIN" --target vantor_soak vantor_round_time -j 2 >>"$LOGS/win.log" 2>&1 ||
    die "the Windows timing programs do not build (see $LOGS/win.log)"
{ vantor_emscripten emcmake cmake -S "$ROOT" -B "$WEB" -DCMAKE_BUILD_TYPE=Release &&
    vantor_emscripten cmake --build "$WEB" -j 2; } >"$LOGS/web.log" 2>&1 ||
    die "the browser build fails (see $LOGS/web.log)"
SITE=$WEB/site

if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    trap 'vantor_stop_wine; vantor_stop_xvfb' EXIT
    vantor_wine_env "$BUILD/wineprefix"
    vantor_start_xvfb "$LOGS/xvfb.log" || die "no virtual display (see $LOGS/xvfb.log)"
    vantor_start_wine "$LOGS/wine.log" || die "no Wine prefix (see $LOGS/wine.log)"
fi

# measure FRONT MODE COUNT [PER_GAME]: measures one front end with
# tests/e2e/measure.py, its lines to the console.
measure() {
    local front=$1 mode=$2 count=$3 per_game=${4:-0} folder
    folder=$([ "$front" = wine ] && echo "$WIN" || echo "$SITE")
    "$VANTOR_PYTHON" -B "$ROOT/tests/e2e/measure.py" "$front" "$folder" "$mode" "$count" "$per_game" \
        "$LOGS/$front-$mode.log" "$VALUES" || die "the $front $mode could not be measured (see $LOGS/$front-$mode.log)"
}

# value KEY [DIGITS]: a value a measuring step found, rounded to DIGITS
# decimals if given; nothing when none was found.
value() {
    local found
    found=$(sed -n "s/^$1 //p" "$VALUES" | tail -n1)
    if [ -n "$found" ] && [ -n "${2:-}" ]; then
        printf "%.${2}f" "$found"
    else
        printf '%s' "$found"
    fi
}

# --- The figures ------------------------------------------------------------------

echo "== Benchmarks"
echo "\$ build/native/bench/vantor_bench --benchmark_min_time=1 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true"
"$NATIVE/bench/vantor_bench" --benchmark_min_time=1 --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true >"$LOGS/bench.txt" 2>&1 || die "the benchmarks failed (see $LOGS/bench.txt)"
# The medians of three runs; the means, deviations and the library's own notes
# are in the log.
grep -e '^Run on' -e '^Load Average' -e '^Benchmark' -e '^---' -e '_median' "$LOGS/bench.txt"
echo

echo "== Start to the first board on the screen"
echo "\$ scripts/figures.sh   (vantor.exe: the screen polled from 'wine vantor.exe' in build/win until the board's lines are drawn, Wine's server already running)"
measure wine starts "$STARTS"
echo "\$ scripts/figures.sh   (the page: window.vantorPage.timings().firstShown, loads of build/web/site from a local server)"
measure web starts "$STARTS"
echo

# The pause and the round on the real window under Wine, from one run of the
# timing program; its figures are shown in the two sections below.
(cd "$WIN" && wine bench/win32/vantor_round_time.exe --rounds "$ROUNDS" >"$LOGS/round-time.txt" 2>&1 </dev/null) ||
    die "vantor_round_time failed (see $LOGS/round-time.txt)"
sed -i 's/\r$//' "$LOGS/round-time.txt"  # the program writes Windows line ends
grep -v -i -E 'fixme|wine32|multiarch|dpkg --add|apt-get install' "$LOGS/round-time.txt" >"$LOGS/round-time-figures.txt"
wine_pause=$(sed -n 's/^thinking pause of 100: \([0-9.]*\) ms.*/\1/p' "$LOGS/round-time-figures.txt")
wine_round=$(sed -n 's/^20 x 20 Computer <> Computer round with the pauses: \([0-9.]*\) ms.*/\1/p' "$LOGS/round-time-figures.txt")
wine_beside=$(sed -n 's/^  everything but the pauses: .* ms, \([0-9.]*\) % of the round/\1/p' "$LOGS/round-time-figures.txt")
if [ -z "$wine_pause" ] || [ -z "$wine_round" ] || [ -z "$wine_beside" ]; then
    die "vantor_round_time printed no figures (see $LOGS/round-time.txt)"
fi
{
    echo "wine_pause_ms $wine_pause"
    echo "wine_round_ms $wine_round"
    echo "wine_round_beside_pct $wine_beside"
} >>"$VALUES"

echo "== A click's answer in Human <> Computer, 6 x 6 (the computer pauses once)"
echo "\$ scripts/figures.sh   (vantor.exe: a click sent through XTest, the screen polled every 0.5 ms until the computer's dot shows)"
measure wine answers "$ANSWER_GAMES" "$ANSWER_CLICKS"
echo "\$ (cd build/win && wine bench/win32/vantor_round_time.exe)   (the pause alone, on the same Wine)"
grep '^thinking pause' "$LOGS/round-time-figures.txt"
wine_answer=$(value wine_answer_ms)
wine_answer_beside=$(awk -v a="$wine_answer" -v p="$wine_pause" 'BEGIN { printf "%.1f", a - p }')
echo "wine_answer_beside_ms $wine_answer_beside" >>"$VALUES"
echo "  vantor.exe's answer on top of the pause (the median answer less the median pause): $wine_answer_beside ms"
echo "\$ scripts/figures.sh   (the page: window.vantorPage.timings().lastAnswer and lastCall.paused after each click)"
measure web answers "$ANSWER_GAMES" "$ANSWER_CLICKS"
echo

echo "== A 20 x 20 Computer <> Computer round, level 1, with its 400 pauses"
echo "\$ (cd build/win && wine bench/win32/vantor_round_time.exe)   (vantor.exe's main window and GDI device under Wine)"
grep -v -e '^thinking pause' -e '^client area' "$LOGS/round-time-figures.txt"
echo "\$ scripts/figures.sh   (the page: Size \"20 x 20\" and Type \"Computer <> Computer\" through the dialogs, then window.vantorPage.timings().lastCall)"
measure web rounds "$ROUNDS"
echo

echo "== Download"
echo "\$ stat -c %s build/web/site/*; (cd build/web && cpack -G ZIP); (cd build/win && cpack -G ZIP)"
VERSION=$(sed -n 's/.*VALUE "ProductVersion", "\([0-9.]*\)".*/\1/p' "$ROOT/res/vantor.rc" | head -n1)
(cd "$WEB" && vantor_emscripten cpack -G ZIP) >"$LOGS/web-cpack.log" 2>&1 || die "cpack failed in $WEB (see $LOGS/web-cpack.log)"
(cd "$WIN" && cpack -G ZIP) >"$LOGS/win-cpack.log" 2>&1 || die "cpack failed in $WIN (see $LOGS/win-cpack.log)"
pictures=(terre.png mars.png saturne.png jupiter.png)
# Every file of the site but the backdrops: the page, the game, the app's icons,
# manifest and service worker.
page_files=()
for path in "$SITE"/*; do
    name=$(basename "$path")
    [[ " ${pictures[*]} " == *" $name "* ]] || page_files+=("$name")
done
page_bytes=0
echo "the page's files, pictures excluded:"
for name in "${page_files[@]}"; do
    size=$(stat -c %s "$SITE/$name") || die "$SITE/$name is missing"
    printf '  %-22s %9s bytes\n' "$name" "$size"
    page_bytes=$((page_bytes + size))
done
picture_bytes=0
for name in "${pictures[@]}"; do
    size=$(stat -c %s "$SITE/$name") || die "$SITE/$name is missing"
    picture_bytes=$((picture_bytes + size))
done
echo "page_bytes $page_bytes" >>"$VALUES"
stripped=$(mktemp)
x86_64-w64-mingw32-strip -o "$stripped" "$WIN/vantor.exe"
printf 'the page, pictures excluded:            %9s bytes\n' "$page_bytes"
printf 'the page with its four pictures:        %9s bytes\n' "$((page_bytes + picture_bytes))"
printf 'vantor-%s-web.zip:                    %9s bytes\n' "$VERSION" "$(stat -c %s "$WEB/package/vantor-$VERSION-web.zip")"
printf 'vantor-%s-win64.zip:                  %9s bytes\n' "$VERSION" "$(stat -c %s "$WIN/package/vantor-$VERSION-win64.zip")"
printf 'vantor.exe stripped, as in the package: %9s bytes\n' "$(stat -c %s "$stripped")"
printf 'vantor.exe as built (symbols, debugging information): %s bytes\n' "$(stat -c %s "$WIN/vantor.exe")"
rm -f "$stripped"
echo

echo "== Soak under Wine"
echo "\$ scripts/soak.sh build/win"
"$ROOT/scripts/soak.sh" "$WIN" >"$LOGS/soak.txt" 2>&1
code=$?
grep -v -e '^ok ' -e 'leak of' "$LOGS/soak.txt"
[ "$code" -eq 0 ] || die "the soak failed (see $LOGS/soak.txt)"
echo

echo "== Against the goals"
# goal TEXT LIMIT UNIT NAME FIGURE [NAME FIGURE]: "met" when every figure is
# below the limit; a figure that is missing is not met.
goal() {
    local text=$1 limit=$2 unit=$3 verdict=met shown=
    shift 3
    while [ $# -ge 2 ]; do
        awk -v f="$2" -v l="$limit" 'BEGIN { exit !(f != "" && f + 0 < l + 0) }' || verdict="NOT met"
        shown+="${shown:+, }$1 ${2:-?}$unit"
        shift 2
    done
    printf '%-52s %-8s %s\n' "$text:" "$verdict" "$shown"
}
goal "start under 1 s" 1 " s" vantor.exe "$(value wine_start_s 2)" page "$(value web_start_s 2)"
goal "an answer under 20 ms on top of the pause" 20 " ms" vantor.exe "$(value wine_answer_beside_ms 1)" \
    page "$(value web_answer_beside_ms 1)"
goal "all but the pauses under 25 % of a 20 x 20 round" 25 " %" vantor.exe "$(value wine_round_beside_pct 1)" \
    page "$(value web_round_beside_pct 1)"
goal "the page under 1 MB (10^6 bytes), pictures excluded" 1000000 " bytes" page "$(value page_bytes)"
