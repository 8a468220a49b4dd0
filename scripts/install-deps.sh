# Installs the Debian packages that ./run-tests and ./play need, only those that
# are missing, so a second run costs nothing. Sourced by both scripts (bash).
# shellcheck shell=bash

# What each script needs. The Windows build and Wine are shared; the native and
# sanitizer builds add GoogleTest, Google Benchmark and clang's runtime.
# shellcheck disable=SC2034  # read by the scripts that source this file
VANTOR_PLAY_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine64 xvfb xdotool imagemagick python3)
# The browser build and headless Chromium to play it in, driven by Debian's
# Selenium (which belongs to Debian's /usr/bin/python3).
VANTOR_WEB_PACKAGES=(cmake make emscripten python3 chromium chromium-driver python3-selenium
    fonts-dejavu-core)
# The online server (Boost.Beast and Boost.JSON, SQLite, OpenSSL's SHA-256, zlib)
# and its tests' WebSocket client.
# shellcheck disable=SC2034  # read by the scripts that source this file
VANTOR_SERVER_PACKAGES=(cmake make g++ libboost1.81-dev libsqlite3-dev libssl-dev zlib1g-dev python3-websockets)
# shellcheck disable=SC2034  # read by the scripts that source this file
VANTOR_TEST_PACKAGES=("${VANTOR_PLAY_PACKAGES[@]}" "${VANTOR_WEB_PACKAGES[@]}" "${VANTOR_SERVER_PACKAGES[@]}" g++ libgtest-dev
    libbenchmark-dev clang libclang-rt-14-dev haproxy)

# vantor_missing_packages PKG...: prints the packages that dpkg does not list as installed.
vantor_missing_packages() {
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            echo "$pkg"
        fi
    done
}

# vantor_install_packages PKG...: installs what is missing (apt-get update once first).
# Returns non-zero when something could not be installed.
vantor_install_packages() {
    local missing=()
    mapfile -t missing < <(vantor_missing_packages "$@")
    [ "${#missing[@]}" -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing packages (run as root to install them): ${missing[*]}" >&2
        return 1
    fi
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update || return 1
    apt-get install -y --no-install-recommends "${missing[@]}" || return 1
}

# Debian's own Python, which sees Debian's python3-selenium even where another
# python3 comes first on PATH.
# shellcheck disable=SC2034  # read by the scripts that source this file
VANTOR_PYTHON=/usr/bin/python3

# vantor_emscripten COMMAND...: runs an Emscripten command. Its JavaScript tools
# run under node and need Debian's acorn, which a node other than Debian's does
# not find by itself.
vantor_emscripten() {
    NODE_PATH=/usr/share/nodejs "$@"
}
