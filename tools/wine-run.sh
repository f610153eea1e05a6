#!/usr/bin/env bash
# Runs a Windows program under wine, headless and quiet, in a wine prefix of
# the build's own (build/wine unless QUILLON_WINEPREFIX says otherwise), so
# that nothing is written to the home directory. The first run creates the
# prefix, which takes some seconds; parallel runs wait for one another there.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${QUILLON_WINEPREFIX:-$root/build/wine}"
export WINEDEBUG=-all
# No menu entries, and no offer to install Mono or Gecko: a console program
# needs neither.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i </dev/null >"$WINEPREFIX.log" 2>&1 9>&- || { cat "$WINEPREFIX.log" >&2; exit 1; }
    wineserver -w 9>&-
  fi
  # Wine's server and its service processes outlive the program that starts
  # them and would keep its standard streams open, so that a test runner
  # waiting for the end of the program's output would wait for them too.
  # They are started here, apart, without those streams (nor the lock), and
  # stay until ten seconds after the last program has ended.
  if wineserver -p10 </dev/null >/dev/null 2>&1 9>&-; then
    wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$WINEPREFIX.lock"
exec wine "$@"
