#!/usr/bin/env bash
# Runs a Windows program under wine, headless and quiet, in a wine prefix of
# the build's own (build/wine unless QUILLON_WINEPREFIX says otherwise), so
# that nothing is written to the home directory. The first run creates the
# prefix, which takes some seconds; parallel first runs wait for one another.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${QUILLON_WINEPREFIX:-$root/build/wine}"
export WINEDEBUG=-all
# No menu entries, and no offer to install Mono or Gecko: a console program
# needs neither.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i >"$WINEPREFIX.log" 2>&1 || { cat "$WINEPREFIX.log" >&2; exit 1; }
      wineserver -w
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
