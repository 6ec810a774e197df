#!/usr/bin/env bash
# Runs one Windows program of the build under Wine on a display of its own.
# Usage: run-with-display.sh <build dir> <program.exe> [arguments...]
#        run-with-display.sh <build dir> --host <command> [arguments...]
# Starts Xvfb on a free display number, runs the program in the GUI test prefix
# (<build>/wineprefix-gui: its own wineserver, Japanese locale, Japanese dialog fonts,
# a virtual desktop so that Wine draws the window frames itself), then stops the prefix's
# wineserver and Xvfb, on every way out. Tests that use this script must not run at the
# same time (they share the prefix): CTest's RESOURCE_LOCK takes care of that.
set -euo pipefail
build=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=$build/wineprefix-gui
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
wineserver=/usr/lib/wine/wineserver

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    # -k only asks the server to end; the next test's Wine must not reach it while it is
    # still saving the prefix's registry, so wait until it has gone.
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display number itself and writes it to the descriptor we give it.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not report its display" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")

# The prefix is made once, and its settings imported again whenever they change; under a
# lock, in case two runs start at once.
settings=$(md5sum <"$here/gui-prefix.reg")
if [ "$(cat "$WINEPREFIX/.tessavel-gui-settings" 2>/dev/null)" != "$settings" ]; then
    mkdir -p "$WINEPREFIX"
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ "$(cat "$WINEPREFIX/.tessavel-gui-settings" 2>/dev/null)" != "$settings" ]; then
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            env LC_ALL=ja_JP.UTF-8 /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
        fi
        env LC_ALL=ja_JP.UTF-8 /usr/lib/wine/wine64 regedit /S "Z:${here//\//\\}\\gui-prefix.reg" >/dev/null 2>&1 || true
        "$wineserver" -w || true
        echo "$settings" >"$WINEPREFIX/.tessavel-gui-settings"
    fi
    flock -u 9
fi

# Wine's own fonts (fonts-wine) live in /usr/share/wine/fonts, which this Wine never
# searches; it loads the prefix's Fonts folder and fontconfig's fonts. Without Marlett the
# caption buttons come out as the letters "0 1 r".
if [ -d /usr/share/wine/fonts ]; then
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    for font in /usr/share/wine/fonts/*; do
        [ -e "$WINEPREFIX/drive_c/windows/Fonts/${font##*/}" ] ||
            ln -s "$font" "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    done
fi

status=0
if [ "${1:-}" = --host ]; then
    shift
    "$@" || status=$? # a host command; it starts its Wine programs itself, with LC_ALL=ja_JP.UTF-8
else
    env LC_ALL=ja_JP.UTF-8 /usr/lib/wine/wine64 "$@" || status=$?
fi
# A program that dies before it flushes its output leaves nothing else to go on.
[ "$status" -eq 0 ] || echo "run-with-display.sh: $1 ended with exit code $status" >&2
exit "$status"
