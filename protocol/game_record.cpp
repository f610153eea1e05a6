// PGN writing and the tolerant PGN reader.
#include "protocol/game_record.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <memory>
#include <ostream>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"

namespace NEngine {

const char* const DefaultGameFile = "game_001.pgn";

namespace {
// Far beyond any single game; protects the reader from huge files.
constexpr uintmax_t MaxGameFileBytes = uintmax_t(64) << 20;
}  // namespace

namespace {

constexpr uint16_t DrawFlags = Stalemate | RepetitionDraw | MaterialDraw | FiftyMoveDraw;

const char* resultText(const Board& board) {
    if (board.status & Checkmate)
        return board.side() == White ? "0-1" : "1-0";
    if (board.status & DrawFlags)
        return "1/2-1/2";
    return "*";
}

void writeTag(std::ostream& out, const char* name, const std::string& value, const char* after = "") {
    out << '[' << name << " \"" << value << "\"]" << after << '\n';
}

// ---- The reader -----------------------------------------------------------------

constexpr const char* MoveAlphabet = "123456789abcdefghkrq+-OxPNBRQKnul=#";

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool inMoveAlphabet(char c) { return c != '\0' && std::strchr(MoveAlphabet, c) != nullptr; }

struct PgnScan {
    std::vector<std::string> words;
    bool inComment = false;
    bool setUpSeen = false;
    bool positionFromTag = false;
    bool failed = false;  // a FEN tag was rejected
    bool gameEnded = false;
};

// A tag line from its "[": the name and the first quoted value.
void readTag(const std::string& line, size_t open, Board& board, PgnScan& scan) {
    size_t close = line.find(']', open + 1);
    size_t end = close == std::string::npos ? line.size() : close;
    size_t i = open + 1;
    while (i < end && !isLetter(line[i]))
        ++i;
    size_t nameStart = i;
    while (i < end && !isSeparator(line[i]) && line[i] != '"')
        ++i;
    std::string name = line.substr(nameStart, i - nameStart);
    std::string value;
    size_t quote = line.find('"', open + 1);
    if (quote != std::string::npos) {
        size_t closing = line.find('"', quote + 1);
        if (closing != std::string::npos)
            value = line.substr(quote + 1, closing - quote - 1);
    }

    if (name == "SetUp" && value == "1") {
        scan.setUpSeen = true;
    } else if (name == "FEN" && scan.setUpSeen) {
        // Try the text on a scratch board first: a rejected FEN must not
        // leave a half-built position on the game board.
        auto scratch = std::make_unique<BoardWithStack>();
        if (!parseFen(value, scratch->board) || !parseFen(value, board)) {
            scan.failed = true;
            return;
        }
        scan.positionFromTag = true;
    }
}

// Scans one line, adding move words; stops at the end of the game.
void scanLine(const std::string& line, Board& board, PgnScan& scan) {
    size_t i = 0;
    const size_t n = line.size();
    auto at = [&](size_t k) { return k < n ? line[k] : '\0'; };
    while (i < n) {
        char c = line[i];
        char next = at(i + 1);
        if (scan.inComment) {
            if (c == '}')
                scan.inComment = false;
            ++i;
        } else if (isSeparator(c) || c == '.') {
            ++i;
        } else if (c == '{') {
            scan.inComment = true;
            ++i;
        } else if (c == '%') {
            return;
        } else if (isDigit(c) && (isDigit(next) || isSeparator(next) || next == '.')) {
            // A move number: its digits and the character after them.
            while (i < n && isDigit(line[i]))
                ++i;
            ++i;
        } else if (isLetter(c) || (isDigit(c) && isLetter(next))) {
            // A move word. A character outside the move alphabet ends it, and
            // the word is kept even when empty: a word that is no move must
            // stop the replay there, never turn into another move by losing
            // its stray character.
            size_t start = i;
            while (i < n && inMoveAlphabet(line[i]))
                ++i;
            scan.words.push_back(line.substr(start, i - start));
            // The character that ended the word is skipped, except an opening
            // brace after a word, which still starts its comment.
            if (i < n && (line[i] != '{' || i == start))
                ++i;
        } else if (c == '*' || (isDigit(c) && next == '-')) {
            scan.gameEnded = true;
            return;
        } else if (c == '[') {
            readTag(line, i, board, scan);
            return;
        } else {
            ++i;
        }
    }
}

}  // namespace

bool writePgn(const Board& board, std::ostream& out) {
    // Step 1: the result.
    const std::string result = resultText(board);

    // Step 2: unmake the copy back to the position the game was set up from.
    auto copy = std::make_unique<BoardWithStack>();
    copyGameInto(board, *copy);
    Board& game = copy->board;
    const int lastPly = game.ply;
    while (game.ply > game.setupPly && game.ply > 0)
        unmakeMove(game, game.history[game.ply - 1].move);

    // Steps 3 and 4: the tags.
    const std::string fen = writeFen(game);
    if (!fen.empty() && fen != startPositionFen()) {
        writeTag(out, "SetUp", "1", " ");
        writeTag(out, "FEN", fen);
    }
    writeTag(out, "Result", result);

    // Step 5: the movetext, replayed on the copy.
    bool first = true;
    for (int ply = game.ply; ply < lastPly; ++ply) {
        const Move move = copy->stack[size_t(ply)].move;
        const bool whiteMoved = game.side() == White;
        const uint32_t moveNumber = game.fullmove;
        const std::string san = moveToSan(game, move);
        if (san.empty() || !isLegal(game, move))
            return false;
        makeMove(game, move);
        detectTerminal(game);
        if (whiteMoved || first) {
            out << moveNumber << ". ";
            if (!whiteMoved)
                out << " ... ";
        }
        out << san << (whiteMoved ? ' ' : '\n');
        first = false;
    }

    // Step 6: the result closes the game.
    out << result << "\n\n";
    return true;
}

bool readPgn(Board& board, std::istream& in) {
    PgnScan scan;
    std::string line;
    // Steps 1 to 3: collect the move words and read the set-up tags.
    while (!scan.gameEnded && std::getline(in, line)) {
        scanLine(line, board, scan);
        if (scan.failed)
            return false;
    }

    // Step 4: play the words.
    if (scan.words.empty())
        return false;
    if (!scan.positionFromTag)
        parseFen("", board);
    bool complete = true;
    for (const std::string& word : scan.words) {
        const Move move = parseMoveText(board, word);
        if (move == NullMove || !isLegal(board, move) || !board.hasRoomForMove()) {
            complete = false;
            break;
        }
        makeMove(board, move);
        detectTerminal(board);
    }
    return complete;
}

void saveGameFile(const Board& board, const std::string& path) {
    // Never open a device or a pipe: opening a pipe for writing can wait forever.
    std::error_code error;
    if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error))
        return;
    std::ofstream file(path, std::ios::out | std::ios::trunc);
    if (!file)
        return;
    writePgn(board, file);
}

void loadGameFile(Board& board, const std::string& path) {
    // Only a regular file of a sane size: a device or a pipe could feed the
    // reader a line without end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) || std::filesystem::file_size(path, error) > MaxGameFileBytes ||
        error)
        return;
    std::ifstream file(path);
    if (!file)
        return;
    try {
        readPgn(board, file);
    } catch (...) {
        // A stream failure leaves the board where the reading had got to.
    }
}

}  // namespace NEngine
