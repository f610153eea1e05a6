#include "protocol/pgn_positions.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/tables.h"
#include "protocol/game_record.h"

namespace NEngine {

namespace {

bool isTagLine(const std::string& line) {
    const size_t first = line.find_first_not_of(" \t\r");
    return first != std::string::npos && line[first] == '[';
}

// The name of a tag line as the game reader takes it: inside the bracket, the
// first run of characters that starts with a letter, up to a separator.
std::string tagName(const std::string& line) {
    if (!isTagLine(line))
        return {};
    size_t i = line.find('[') + 1;
    while (i < line.size() && line[i] != ']' && !std::isalpha(static_cast<unsigned char>(line[i])))
        ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ']' && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
        ++i;
    return line.substr(start, i - start);
}

// The value of a FEN tag line, between its first pair of double quotes.
std::string tagValue(const std::string& line) {
    const size_t open = line.find('"');
    const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    return close == std::string::npos ? std::string() : line.substr(open + 1, close - open - 1);
}

// The text split into games: a game starts at a tag section. Text with no
// tags between its games (results separate them) stays one piece.
std::vector<std::vector<std::string>> splitAtTagSections(std::istream& in) {
    std::vector<std::vector<std::string>> pieces(1);
    bool movetextSeen = false;
    std::string line;
    while (std::getline(in, line)) {
        const bool tag = isTagLine(line);
        if (tag && movetextSeen) {
            pieces.emplace_back();
            movetextSeen = false;
        }
        if (!tag && line.find_first_not_of(" \t\r") != std::string::npos)
            movetextSeen = true;
        pieces.back().push_back(line);
    }
    return pieces;
}

// The game reader takes a FEN tag only after the SetUp tag, the order in which
// Quillon saves games; xboard saves them the other way round. Swaps such a
// pair. True when the piece sets up a position that is rejected: the reader
// stops at that tag, and the rest of the piece belongs to the same game.
bool prepareTags(std::vector<std::string>& lines) {
    bool setUp = false;
    for (size_t i = 0; i < lines.size() && (isTagLine(lines[i]) || lines[i].empty()); ++i) {
        if (tagName(lines[i]) == "FEN" && i + 1 < lines.size() && tagName(lines[i + 1]) == "SetUp")
            std::swap(lines[i], lines[i + 1]);
        const std::string name = tagName(lines[i]);
        if (name == "SetUp" && tagValue(lines[i]) == "1")
            setUp = true;
        if (name == "FEN" && setUp) {
            auto scratch = std::make_unique<BoardWithStack>();
            return !parseFen(tagValue(lines[i]), scratch->board);
        }
    }
    return false;
}

void writeGame(Board& board, std::vector<Move>& moves, std::ostream& out) {
    // The board holds the game as far as it could be played; take its moves
    // back to reach the first position, then replay them.
    moves.clear();
    while (board.movesMade() > 0) {
        const Move move = board.history[board.ply - 1].move;
        moves.push_back(move);
        unmakeMove(board, move);
    }
    for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
        const Move move = *it;
        const std::string fen = writeFen(board);
        if (fen.empty())  // castling rights that its pieces contradict: no FEN text
            break;
        out << fen << '\t' << moveToText(move, false) << '\t' << moveToSan(board, move) << '\n';
        makeMove(board, move);
        detectTerminal(board);
    }
    out << '\n';
}

}  // namespace

int writePgnPositions(std::istream& input, std::ostream& out) {
    auto holder = std::make_unique<BoardWithStack>();
    Board& board = holder->board;
    std::vector<Move> moves;
    int games = 0;
    for (std::vector<std::string>& piece : splitAtTagSections(input)) {
        if (prepareTags(piece)) {
            ++games;
            out << '\n';
            continue;
        }
        std::string text;
        for (const std::string& line : piece)
            text += line + '\n';
        std::istringstream in(text);
        // Blank lines between and after the games are not games.
        while (in >> std::ws, in.peek() != std::char_traits<char>::eof()) {
            parseFen(startPositionFen(), board);
            readPgn(board, in);
            ++games;
            writeGame(board, moves, out);
        }
    }
    return games;
}

int runPositionsCommand(const std::string& path) {
    initBoardTables();
    if (path.empty() || path == "-") {
        writePgnPositions(std::cin, std::cout);
        return 0;
    }
    std::ifstream file(path);
    if (!file) {
        std::fprintf(stderr, "quillon: cannot open '%s'\n", path.c_str());
        return 2;
    }
    writePgnPositions(file, std::cout);
    return 0;
}

}  // namespace NEngine
