# A private virtual display (Xvfb) and a private Wine prefix with a persistent
# wineserver, for running vantor.exe and its tests. Sourced by ./run-tests and
# ./play (bash). Everything started here is stopped by pid or by its own prefix,
# never by name, so other Xvfb or Wine sessions on the machine are left alone.
# shellcheck shell=bash

VANTOR_XVFB_PID=
VANTOR_WINESERVER_STARTED=

# vantor_start_xvfb LOG: starts Xvfb on a free display number it picks itself and
# exports DISPLAY. Fails when no display came up within 20 seconds.
vantor_start_xvfb() {
    local log=$1 numberFile number i
    numberFile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numberFile" >>"$log" 2>&1 &
    VANTOR_XVFB_PID=$!
    for ((i = 0; i < 200; i++)); do
        if [ -s "$numberFile" ] && grep -q '^[0-9]' "$numberFile"; then
            number=$(head -n1 "$numberFile" | tr -dc 0-9)
            export DISPLAY=":$number"
            rm -f "$numberFile"
            return 0
        fi
        kill -0 "$VANTOR_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$numberFile"
    echo "Xvfb did not start (see $log)" >&2
    vantor_stop_xvfb
    return 1
}

vantor_stop_xvfb() {
    if [ -n "$VANTOR_XVFB_PID" ]; then
        kill "$VANTOR_XVFB_PID" 2>/dev/null
        wait "$VANTOR_XVFB_PID" 2>/dev/null
        VANTOR_XVFB_PID=
    fi
}

# vantor_wine_env PREFIX: the environment every wine call of ours runs in.
vantor_wine_env() {
    export WINEPREFIX=$1
    export WINEDEBUG=-all
    # No Mono or Gecko install prompt on a first start.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
}

# vantor_start_wine LOG: creates the prefix once (before anything runs in
# parallel: a first use from several processes at once races), then keeps a
# wineserver alive so each later wine start is quick. Needs DISPLAY and
# vantor_wine_env first.
vantor_start_wine() {
    local log=$1
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "creating the Wine prefix $WINEPREFIX" >>"$log"
        wineboot -i >>"$log" 2>&1 || return 1
        wineserver -w >>"$log" 2>&1
    fi
    wineserver -p >>"$log" 2>&1 || return 1
    VANTOR_WINESERVER_STARTED=1
    # Start Wine's own services now, not inside the first timed step.
    wineboot >>"$log" 2>&1 </dev/null
}

vantor_stop_wine() {
    if [ -n "$VANTOR_WINESERVER_STARTED" ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
        VANTOR_WINESERVER_STARTED=
    fi
}
