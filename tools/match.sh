#!/usr/bin/env bash
# Plays a short headless match between Quillon and another engine under a
# real xboard (in a virtual X display), with Quillon in XBoard mode or in UCI
# mode through polyglot, and prints the score and any protocol trouble.
#
# Needs: apt-get install xboard polyglot fairymax xvfb xauth
#
# Usage: tools/match.sh [-m xboard|uci] [-g GAMES] [-t TIMECONTROL] [-i INC]
#                       [-e QUILLON] [-o OPPONENT] [-u] [-w WORKDIR]
#   -m  protocol Quillon speaks (default xboard)
#   -g  number of games, colours alternating (default 4)
#   -t  xboard time control per game, minutes or min:sec (default 0:30)
#   -i  increment in seconds (default 0)
#   -e  the Quillon binary (default build/release/quillon, else build/test/quillon)
#   -o  opponent command, an XBoard engine (default /usr/games/fairymax)
#   -u  the opponent speaks UCI (run through polyglot), e.g. -o /usr/games/glaurung -u
#   -w  directory for the games, the xboard log and the engine's files
#       (default: a new temporary directory, kept)
# Exit status: 0 when every game ended normally (mate, draw rule or
# adjudication), 1 when a game ended by illegal move, time forfeit, crash or
# the match hung, 2 for a usage or installation problem.
set -u

mode=xboard
games=4
tc=0:30
inc=0
root="$(cd "$(dirname "$0")/.." && pwd)"
engine=""
opponent=/usr/games/fairymax
opponent_uci=0
work=""

while getopts "m:g:t:i:e:o:uw:h" opt; do
  case $opt in
    m) mode=$OPTARG ;;
    g) games=$OPTARG ;;
    t) tc=$OPTARG ;;
    i) inc=$OPTARG ;;
    e) engine=$OPTARG ;;
    o) opponent=$OPTARG ;;
    u) opponent_uci=1 ;;
    w) work=$OPTARG ;;
    *) sed -n '2,23p' "$0"; exit 2 ;;
  esac
done

if [ -z "$engine" ]; then
  for candidate in "$root/build/release/quillon" "$root/build/test/quillon"; do
    [ -x "$candidate" ] && { engine=$candidate; break; }
  done
fi
[ -n "$engine" ] && [ -x "$engine" ] || { echo "match.sh: no Quillon binary (build it, or give -e)" >&2; exit 2; }
engine="$(cd "$(dirname "$engine")" && pwd)/$(basename "$engine")"
xboard=$(command -v xboard || echo /usr/games/xboard)
[ -x "$xboard" ] || { echo "match.sh: xboard is not installed" >&2; exit 2; }
command -v xvfb-run >/dev/null || { echo "match.sh: xvfb-run is not installed" >&2; exit 2; }
if [ "$mode" = uci ] || [ "$opponent_uci" = 1 ]; then
  command -v polyglot >/dev/null || [ -x /usr/games/polyglot ] || { echo "match.sh: polyglot is not installed" >&2; exit 2; }
  export PATH="$PATH:/usr/games"
fi
case $mode in xboard|uci) ;; *) echo "match.sh: -m is xboard or uci" >&2; exit 2 ;; esac

[ -n "$work" ] || work=$(mktemp -d /tmp/quillon-match-XXXXXX)
mkdir -p "$work"
pgn="$work/games.pgn"
log="$work/xboard.debug"
rm -f "$pgn" "$log"

first=(-fcp "$engine" -fd "$work")
[ "$mode" = uci ] && first+=(-fUCI)
second=(-scp "$opponent" -sd "$work")
[ "$opponent_uci" = 1 ] && second+=(-sUCI)

# Allow each game its whole clock twice over plus a margin before calling
# the match hung.
seconds_per_game=$(awk -v tc="$tc" -v inc="$inc" 'BEGIN { n = split(tc, p, ":"); s = (n == 2) ? p[1] * 60 + p[2] : tc * 60; print int(2 * (s + 100 * inc) + 30) }')
limit=$((games * seconds_per_game + 60))

echo "Quillon ($mode) against $opponent: $games games at $tc+$inc, files in $work"
timeout "$limit" xvfb-run -a "$xboard" "${first[@]}" "${second[@]}" \
  -matchGames "$games" -timeControl "$tc" -inc "$inc" -saveGameFile "$pgn" \
  -autoCallFlag true -testClaims true -xponder -debug -nameOfDebugFile "$log" \
  -saveSettingsOnExit false -popupExitMessage false -popupMoveErrors false \
  -soundProgram "" >"$work/xboard.out" 2>&1
status=$?

awk '
  /^\[White / { white = $0; sub(/^\[White "/, "", white); sub(/"\]$/, "", white) }
  /^\[Black / { black = $0; sub(/^\[Black "/, "", black); sub(/"\]$/, "", black) }
  /^\[Result / {
    result = $2; gsub(/[\]"]/, "", result); n++
    qw = (tolower(white) ~ /quillon/)
    if (result == "1/2-1/2") { d++; outcome = "draw" }
    else if ((result == "1-0" && qw) || (result == "0-1" && !qw)) { w++; outcome = "Quillon wins" }
    else if (result == "1-0" || result == "0-1") { l++; outcome = "Quillon loses" }
    else { u++; outcome = "unfinished" }
    printf "game %d: %s - %s  %s  (%s)\n", n, white, black, result, outcome
  }
  END {
    printf "Quillon: %d wins, %d losses, %d draws", w, l, d
    if (u) printf ", %d unfinished", u
    printf "; score %.1f/%d\n", w + d / 2, n
  }' "$pgn" 2>/dev/null || echo "no games were saved"

trouble=0
if [ "$status" -eq 124 ]; then echo "TROUBLE: the match did not finish in ${limit}s"; trouble=1; fi
played=$(grep -c '^\[Result ' "$pgn" 2>/dev/null || true)
if [ "${played:-0}" -lt "$games" ]; then echo "TROUBLE: only ${played:-0} of $games games were saved"; trouble=1; fi
if grep -Eiq 'illegal move|on time|forfeit|exited unexpectedly|crash|disconnect' "$pgn" 2>/dev/null; then
  echo "TROUBLE: a game ended abnormally:"
  grep -Ei 'illegal move|on time|forfeit|exited unexpectedly|crash|disconnect' "$pgn"
  trouble=1
fi
if grep -Eq '<first : (Illegal move|tellusererror)' "$log" 2>/dev/null; then
  echo "TROUBLE: Quillon refused a move:"
  grep -E '<first : (Illegal move|tellusererror)' "$log" | head -5
  trouble=1
fi
if grep -Eq '<second : Illegal move' "$log" 2>/dev/null; then
  echo "TROUBLE: the opponent refused a move of Quillon:"
  grep -E '<second : Illegal move' "$log" | head -5
  trouble=1
fi
[ "$trouble" -eq 0 ] && echo "no illegal moves, time forfeits, crashes or hangs"
exit "$trouble"
