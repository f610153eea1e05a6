// The "quillon positions" command: every position of the games of a PGN
// file, with the move played from it, for position suites and for replaying
// lost games.
#pragma once

#include <iosfwd>
#include <string>

namespace NEngine {

// What one listing read.
struct PositionsSummary {
    long long games = 0;        // games met, read to their end or not
    long long failedGames = 0;  // ... that stopped before their end
    bool textSeen = false;      // the input held anything but blanks
    bool readFailed = false;    // the input could not be read (a directory, an I/O error)
};

// Reads the games of a PGN text one after the other, as it streams in, and
// writes for every main-line move a line "FEN<tab>move<tab>SAN" (the position
// before the move, the move in coordinate notation and in algebraic
// notation). Each game ends with an empty line.
//
// The text is PGN as servers and database programs export it: tag pairs
// (a FEN tag sets the game up, before or after its SetUp tag), move numbers
// ("3." and "3..."), SAN moves with "!"/"?" suffixes, "0-0"/"0-0-0" as well
// as "O-O"/"O-O-O", numeric annotation glyphs ("$14"), comments in braces and
// after ";", "%" escape lines, variations in parentheses nested to any depth
// (skipped with everything inside them), and the four result tokens, each of
// which ends a game.
//
// A game that cannot be read to its end (an illegal or unreadable move, a
// variation or comment left open, no result, a rejected set-up position)
// keeps the lines of the moves before the fault, gets one line on `errors`
// naming the game, the ply and the word it stopped at, and the reading goes
// on with the next game.
PositionsSummary writePgnPositions(std::istream& in, std::ostream& out, std::ostream& errors);

// The command: `path` names the PGN file; empty or "-" reads standard input.
// Returns the exit status: 0 when every game was read to its end; 1 when
// some game stopped early; 2 when the file cannot be opened or read (a
// directory), is empty or holds no game.
int runPositionsCommand(const std::string& path);

}  // namespace NEngine
