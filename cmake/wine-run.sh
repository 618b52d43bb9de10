#!/bin/sh
# Runs a Windows executable under Wine with a private prefix inside the build folder.
# WINEPREFIX may be set by the caller (UI tests use one prefix per test).
set -e
exe="$1"; shift
: "${WINEPREFIX:=$(pwd)/wineprefix}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    # Two tests may start at once; only one creates the prefix.
    ( flock 9; [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 ) 9>"$WINEPREFIX.lock"
fi
if [ -z "$DISPLAY" ]; then
    exec xvfb-run -a wine "$exe" "$@"
fi
exec wine "$exe" "$@"
