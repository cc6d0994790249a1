#!/usr/bin/env bash
# Starts or stops the Wine environment of a build folder: an Xvfb display and
# a warm wineserver over a prefix inside the folder.
#
#   scripts/wine-env.sh start BUILD_DIR   writes BUILD_DIR/wine-env.sh (the exports)
#   scripts/wine-env.sh stop BUILD_DIR
#
# With WINE_USE_DISPLAY=1 and DISPLAY set, the windows go to that display
# instead of a new Xvfb.
#
# Every Wine and X process started here has its standard streams on
# /dev/null, so that none of them holds a caller's pipe open.
set -euo pipefail

action=${1:?start or stop}
build=$(cd "${2:?build folder}" && pwd)
envfile=$build/wine-env.sh
prefix=$build/wineprefix

stop() {
    if [ -f "$envfile" ]; then
        # shellcheck disable=SC1090
        . "$envfile"
        timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
        if [ -n "${XVFB_PID:-}" ] && kill -0 "$XVFB_PID" 2>/dev/null; then
            kill "$XVFB_PID" 2>/dev/null || true
        fi
        rm -f "$envfile"
    fi
}

start() {
    stop
    local display xpid=
    if [ "${WINE_USE_DISPLAY:-}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
        display=$DISPLAY
    else
        # A free display number.
        local n=90
        while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do
            n=$((n + 1))
        done
        setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        xpid=$!
        for _ in $(seq 100); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.1
        done
        display=":$n"
    fi

    export DISPLAY="$display" WINEPREFIX="$prefix" WINEDEBUG=-all LC_ALL=C.UTF-8
    cat >"$envfile" <<ENV
export DISPLAY="$display" WINEPREFIX="$prefix" WINEDEBUG=-all LC_ALL=C.UTF-8
XVFB_PID=$xpid
ENV

    local boot=wine
    [ -x /usr/lib/wine/wine64 ] && boot=/usr/lib/wine/wine64
    if [ ! -f "$prefix/.ready" ]; then
        rm -rf "$prefix"
        echo "Creating the Wine prefix in $prefix (once, a few minutes)..."
        timeout 900 "$boot" wineboot -i </dev/null >/dev/null 2>&1
        # No window manager runs under Xvfb: let Wine manage its own windows,
        # or it waits for one each time a window is hidden or destroyed.
        timeout 120 "$boot" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            </dev/null >/dev/null 2>&1
        touch "$prefix/.ready"
    fi
    # Persistent server; an already running one (still up from the prefix
    # creation) is just as good.
    timeout 60 wineserver -p </dev/null >/dev/null 2>&1 || true
    timeout 300 "$boot" wineboot </dev/null >/dev/null 2>&1
}

case $action in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop BUILD_DIR" >&2; exit 2 ;;
esac
