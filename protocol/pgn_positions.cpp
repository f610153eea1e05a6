#include "protocol/pgn_positions.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"

namespace NEngine {

namespace {

// The longest word, tag name and tag value kept; longer ones are read to
// their end but cut, so that no input makes the reader hold more than this.
constexpr size_t MaxWordLength = 64;
constexpr size_t MaxTagValueLength = 512;
// Tags kept per game (the rest are read and dropped; only FEN and SetUp matter).
constexpr size_t MaxTags = 64;

// ---- The lexer -----------------------------------------------------------------------
// Splits PGN text into tokens, reading one character at a time from the
// stream, so that it holds one token whatever the size of the file. Comments
// and escape lines never become tokens.

enum class TokenKind { Tag, Word, Result, Glyph, OpenVariation, CloseVariation, UnclosedComment, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;   // the word or result; the tag's name
    std::string value;  // the tag's value
};

bool isSeparator(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The characters that end a word: separators and PGN's own punctuation.
bool endsWord(int c) {
    return c == std::char_traits<char>::eof() || isSeparator(c) || c == '{' || c == '}' || c == '(' || c == ')' ||
           c == '[' || c == ']' || c == ';' || c == '$' || c == '"';
}

class PgnLexer {
public:
    explicit PgnLexer(std::istream& in) : in_(in) {}

    // The next token into `token` (its strings reused).
    void next(Token& token) {
        token.text.clear();
        token.value.clear();
        for (;;) {
            int c = get();
            if (c == Eof) {
                token.kind = TokenKind::End;
                return;
            }
            if (isSeparator(c))
                continue;
            if (c == '%' && atLineStart_) {  // escape line
                skipLine();
                continue;
            }
            textSeen_ = true;
            switch (c) {
            case ';': skipLine(); continue;
            case '{':
                if (!skipBraceComment()) {
                    token.kind = TokenKind::UnclosedComment;
                    token.text.push_back('{');
                    return;
                }
                continue;
            case '}':  // a stray closing brace
                continue;
            case '[': readTag(token); return;
            case '(':
                token.kind = TokenKind::OpenVariation;
                token.text.push_back('(');
                return;
            case ')':
                token.kind = TokenKind::CloseVariation;
                token.text.push_back(')');
                return;
            case '$':
                token.kind = TokenKind::Glyph;
                token.text.push_back('$');
                while (isDigit(in_.peek()))
                    keep(token.text, get());
                return;
            default: readWord(token, c); return;
            }
        }
    }

    bool textSeen() const { return textSeen_; }

private:
    static constexpr int Eof = std::char_traits<char>::eof();

    static bool isDigit(int c) { return c >= '0' && c <= '9'; }

    int get() {
        int c = in_.get();
        if (firstCharacter_) {
            // A UTF-8 byte order mark, as some Windows programs write, is no text.
            firstCharacter_ = false;
            if (c == 0xEF && in_.peek() == 0xBB) {
                in_.get();
                if (in_.peek() == 0xBF)
                    in_.get();
                c = in_.get();
            }
        }
        atLineStart_ = lastWasNewline_;
        lastWasNewline_ = c == '\n';
        return c;
    }

    static void keep(std::string& text, int c, size_t limit = MaxWordLength) {
        if (text.size() < limit)
            text += char(c);
    }

    void skipLine() {
        for (int c = get(); c != Eof && c != '\n'; c = get()) {
        }
    }

    // Everything up to the closing brace, over any number of lines; braces
    // do not nest, and parentheses inside are text. False at end of input.
    bool skipBraceComment() {
        for (int c = get(); c != Eof; c = get())
            if (c == '}')
                return true;
        return false;
    }

    // A tag pair on one line: "[" name "value" "]", the value with PGN's
    // backslash escapes.
    void readTag(Token& token) {
        token.kind = TokenKind::Tag;
        int c = in_.peek();
        while (c == ' ' || c == '\t') {
            get();
            c = in_.peek();
        }
        while (c != Eof && !endsWord(c)) {
            keep(token.text, get());
            c = in_.peek();
        }
        // The value between the first pair of quotes; the tag ends at "]" or
        // at the end of the line.
        bool inValue = false, valueDone = false;
        while (c != Eof && c != '\n') {
            get();
            if (inValue) {
                if (c == '\\' && (in_.peek() == '"' || in_.peek() == '\\'))
                    keep(token.value, get(), MaxTagValueLength);
                else if (c == '"')
                    inValue = false, valueDone = true;
                else
                    keep(token.value, c, MaxTagValueLength);
            } else if (c == '"' && !valueDone) {
                inValue = true;
            } else if (c == ']') {
                break;
            }
            c = in_.peek();
        }
    }

    void readWord(Token& token, int first) {
        keep(token.text, first);
        while (!endsWord(in_.peek()))
            keep(token.text, get());
        const std::string& w = token.text;
        token.kind = (w == "*" || w == "1-0" || w == "0-1" || w == "1/2-1/2") ? TokenKind::Result : TokenKind::Word;
    }

    std::istream& in_;
    bool atLineStart_ = true, lastWasNewline_ = true, firstCharacter_ = true, textSeen_ = false;
};

// ---- Words of the movetext --------------------------------------------------------

// The move a movetext word holds, cleaned of what is not the move: a move
// number in front ("12.", "12...", "12.Nf3"), "!"/"?" suffixes, zeros written
// for castling's letters. Empty when the word is no move at all (a bare move
// number, a lone suffix, an evaluation sign some programs write as text).
std::string_view moveOfWord(std::string& word) {
    std::string_view w = word;
    size_t digits = 0;
    while (digits < w.size() && w[digits] >= '0' && w[digits] <= '9')
        ++digits;
    if (digits > 0 && digits < w.size() && w[digits] == '.')
        w.remove_prefix(digits);
    else if (digits > 0 && digits == w.size())
        return {};  // a move number without its dot
    while (!w.empty() && w.front() == '.')
        w.remove_prefix(1);
    while (!w.empty() && (w.back() == '!' || w.back() == '?'))
        w.remove_suffix(1);
    static constexpr std::string_view Evaluations[] = {"=", "+=", "=+", "+/=", "=/+", "+/-", "-/+", "+-", "-+"};
    for (std::string_view e : Evaluations)
        if (w == e)
            return {};
    if (w.substr(0, 3) == "0-0") {
        // "0-0" and "0-0-0", with their check signs: castling in zeros.
        const size_t start = size_t(w.data() - word.data());
        for (size_t i = start; i < start + 5 && i < word.size(); ++i)
            if (word[i] == '0')
                word[i] = 'O';
        w = std::string_view(word).substr(start, w.size());
    }
    return w;
}

// ---- Games ------------------------------------------------------------------------

class GameLister {
public:
    GameLister(std::ostream& out, std::ostream& errors) : out_(out), errors_(errors) {}

    PositionsSummary run(std::istream& in) {
        PgnLexer lexer(in);
        Token token;
        for (;;) {
            try {
                lexer.next(token);
            } catch (...) {
                // The stream's own exceptions (a read error) with its mask set.
                summary_.readFailed = true;
                token.kind = TokenKind::End;
            }
            if (in.bad())
                summary_.readFailed = true;
            if (token.kind == TokenKind::End)
                break;
            take(token);
        }
        if (inGame_) {
            if (depth_ > 0)
                fail("end of file", "a variation is not closed");
            else if (playing_)
                fail("end of file", "the game ends without a result");
            endGame();
        }
        summary_.textSeen = lexer.textSeen();
        return summary_;
    }

private:
    void take(const Token& token) {
        if (token.kind == TokenKind::UnclosedComment) {
            if (!inGame_)
                beginGame();
            fail(token.text, "a comment is not closed");
            return;
        }
        if (token.kind == TokenKind::Tag) {
            if (inGame_ && movetextSeen_) {
                // A tag section after movetext: the game before had no result.
                fail("[" + token.text, depth_ > 0 ? "a variation is not closed" : "the game ends without a result");
                endGame();
            }
            if (!inGame_)
                beginGame();
            if (tags_.size() < MaxTags)
                tags_.emplace_back(token.text, token.value);
            return;
        }
        if (!inGame_)
            beginGame();
        if (!movetextSeen_) {
            movetextSeen_ = true;
            setUp();
        }
        switch (token.kind) {
        case TokenKind::OpenVariation: ++depth_; return;
        case TokenKind::CloseVariation:
            if (depth_ == 0)
                fail(token.text, "a variation closes that was never opened");
            else
                --depth_;
            return;
        case TokenKind::Result:
            if (depth_ == 0)
                endGame();
            return;
        case TokenKind::Word:
            if (depth_ == 0)
                play(token.text);
            return;
        default:  // glyphs
            return;
        }
    }

    void beginGame() {
        inGame_ = true;
        movetextSeen_ = false;
        playing_ = false;
        failed_ = false;
        depth_ = 0;
        tags_.clear();
        ++summary_.games;
    }

    void endGame() {
        if (inGame_ && !movetextSeen_)
            setUp();  // a game of tags alone still has its set-up checked
        out_ << '\n';
        inGame_ = false;
    }

    // The game's first position: its FEN tag (unless its SetUp tag says 0),
    // else the standard start.
    void setUp() {
        const std::string* fen = nullptr;
        bool setUpZero = false;
        for (const auto& [name, value] : tags_) {
            if (name == "FEN")
                fen = &value;
            if (name == "SetUp" && value == "0")
                setUpZero = true;
        }
        playing_ = true;
        if (fen && !setUpZero) {
            if (!parseFen(*fen, board()) || writeFen(board()).empty()) {
                fail(*fen, "the set-up position is rejected");
                parseFen(startPositionFen(), board());
            }
        } else {
            parseFen(startPositionFen(), board());
        }
    }

    void play(std::string word) {
        if (failed_)
            return;
        const std::string_view text = moveOfWord(word);
        if (text.empty())
            return;
        Board& b = board();
        if (b.movesMade() >= MaxGamePly) {
            fail(word, "the game is longer than this reader takes");
            return;
        }
        const Move move = parseMoveText(b, text);
        if (move == NullMove || !isLegal(b, move)) {
            fail(word, "not a legal move here");
            return;
        }
        const std::string fen = writeFen(b);
        if (fen.empty()) {
            fail(word, "the position has no FEN text");
            return;
        }
        out_ << fen << '\t' << moveToText(move, false) << '\t' << moveToSan(b, move) << '\n';
        makeMove(b, move);
        detectTerminal(b);
    }

    // The game stops here: one message, and the rest of it is skipped.
    void fail(const std::string& where, const char* reason) {
        if (failed_)
            return;
        failed_ = true;
        ++summary_.failedGames;
        const int ply = board().movesMade() + 1;
        errors_ << "quillon positions: game " << summary_.games << ", ply " << (playing_ ? ply : 1) << ", at "
                << (where == "end of file" ? where : "'" + where + "'") << ": " << reason << '\n';
    }

    Board& board() { return holder_->board; }

    std::ostream& out_;
    std::ostream& errors_;
    std::unique_ptr<BoardWithStack> holder_ = std::make_unique<BoardWithStack>();
    std::vector<std::pair<std::string, std::string>> tags_;
    PositionsSummary summary_;
    bool inGame_ = false;
    bool movetextSeen_ = false;
    bool playing_ = false;  // the game's position is set up
    bool failed_ = false;
    long long depth_ = 0;  // variations open
};

// The listing of one input, with the messages the command gives.
int listPositions(std::istream& in, const std::string& name, std::ostream& out, std::ostream& errors) {
    const PositionsSummary summary = GameLister(out, errors).run(in);
    out.flush();
    if (summary.readFailed) {
        errors << "quillon positions: cannot read '" << name << "' (a directory, or a read error)\n";
        return 2;
    }
    if (!summary.textSeen) {
        errors << "quillon positions: '" << name << "' is empty\n";
        return 2;
    }
    if (summary.games == 0) {
        errors << "quillon positions: '" << name << "' holds no game\n";
        return 2;
    }
    if (summary.failedGames > 0) {
        errors << "quillon positions: " << summary.failedGames << " of " << summary.games
               << " games could not be read to their end\n";
        return 1;
    }
    return 0;
}

}  // namespace

PositionsSummary writePgnPositions(std::istream& in, std::ostream& out, std::ostream& errors) {
    return GameLister(out, errors).run(in);
}

int runPositionsCommand(const std::string& path) {
    initBoardTables();
    if (path.empty() || path == "-")
        return listPositions(std::cin, "standard input", std::cout, std::cerr);
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "quillon positions: cannot open '%s'\n", path.c_str());
        return 2;
    }
    return listPositions(file, path, std::cout, std::cerr);
}

}  // namespace NEngine
