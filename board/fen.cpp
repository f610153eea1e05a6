// Position set-up: FEN in and out, the status of a fresh or edited position.
#include "board/fen.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <string>

#include "board/board.h"
#include "board/makemove.h"

namespace NEngine {

namespace {

constexpr const char* PieceLetters = "PNBRQK";

bool isSeparator(char c) { return c >= 1 && c <= 32; }

int letterType(char upper) {
    for (int i = 0; PieceLetters[i]; ++i)
        if (PieceLetters[i] == upper)
            return i + 1;
    return 0;
}

// Decimal digits from the start of text, saturating instead of overflowing.
uint32_t readDecimal(std::string_view text) {
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + uint64_t(c - '0');
        if (value > UINT32_MAX)
            return UINT32_MAX;
    }
    return uint32_t(value);
}

// Piece counts that no game can reach would let a position overflow the
// fixed-size move lists; such positions, and those without exactly one king a
// side or with pawns on the first or last rank, are refused.
bool withinLimits(const Board& board) {
    constexpr Bitboard EdgeRanks = 0xFF000000000000FFULL;
    for (int c = 0; c < 2; ++c) {
        const SideSet& side = board.sides[c];
        if (side.count[King] != 1)
            return false;
        if (side.pieces[Pawn] & EdgeRanks)
            return false;
        int pawns = side.count[Pawn];
        int total = PopCount(side.occupied);
        if (pawns > 8 || total > 16)
            return false;
        auto beyond = [](int count, int usual) { return count > usual ? count - usual : 0; };
        int promoted = beyond(side.count[Knight], 2) + beyond(side.count[Bishop], 2) + beyond(side.count[Rook], 2) +
                       beyond(side.count[Queen], 1);
        if (promoted > 8 - pawns)
            return false;
    }
    return true;
}

// Whether an en-passant target fits the pieces: it lies on the rank a double
// step leaves behind, the pawn that made the step stands in front of it, and
// both the target and the square the pawn came from are empty.
bool enPassantFits(const Board& board, Square target) {
    if (target < 0 || target >= 64 || rankOf(target) != (board.side() == White ? 5 : 2))
        return false;
    const Square victim = target + EnPassantVictimOffset[board.side()];
    const Square origin = target - EnPassantVictimOffset[board.side()];
    return board.pieceOn(victim) == makePiece(~board.side(), Pawn) && isEmptyCode(board.pieceOn(target)) &&
           isEmptyCode(board.pieceOn(origin));
}

// The full-move number, kept within the state stack's room, and the ply and
// clock that follow from it.
void setMoveCounters(Board& board, uint32_t fullmove) {
    constexpr uint32_t MaxFullmove = MaxSetupPly / 2;
    fullmove = std::clamp<uint32_t>(fullmove, 1, MaxFullmove);
    board.fullmove = fullmove;
    board.ply = int32_t(2 * fullmove - (board.sideToMove == White ? 2 : 1));
    board.setupPly = board.ply;
    if (board.halfmoveClock > board.ply)
        board.halfmoveClock = uint8_t(board.ply);
}

// Drops castling rights whose king or rook is not in place and an en-passant
// square that no longer fits the pieces, keeping the keys in step.
void dropImpossibleRights(Board& board) {
    for (int bit = 0; bit < 4; ++bit) {
        if (!(board.castling & (1 << bit)))
            continue;
        Color c = Color(bit / 2);
        Square corner = bit % 2 == 0 ? ShortRookCorner[c] : LongRookCorner[c];
        if (board.pieceOn(KingHome[c]) != makePiece(c, King) || board.pieceOn(corner) != makePiece(c, Rook)) {
            board.castling &= uint8_t(~(1 << bit));
            board.key ^= castleKey[bit];
            board.pawnKey ^= castleKey[bit];
        }
    }
    if (board.enPassant > 0 && !enPassantFits(board, board.enPassant)) {
        board.key ^= enPassantKey(board.enPassant, ~board.side());
        board.enPassant = 0;
    }
}

}  // namespace

const std::string& startPositionFen() {
    static const std::string text = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    return text;
}

bool parseFen(std::string_view input, Board& board) {
    // Step 1. Empty text means the start position; surrounding blanks are dropped.
    if (input.empty())
        input = startPositionFen();
    while (!input.empty() && std::isspace(static_cast<unsigned char>(input.front())))
        input.remove_prefix(1);
    while (!input.empty() && std::isspace(static_cast<unsigned char>(input.back())))
        input.remove_suffix(1);
    std::string_view text = input;
    size_t i = 0;
    auto skipSeparators = [&] {
        while (i < text.size() && isSeparator(text[i]))
            ++i;
    };

    // Step 2. An empty board (keeping its state stack), seen once so far.
    board.reset();
    board.repetitions = 1;

    // Step 3. Placement; ranks are tracked by counting files.
    int rank = 7, file = 0;
    while (i < text.size() && rank >= 0) {
        char c = text[i++];
        if (c == '/')
            continue;
        if (c >= '0' && c <= '9') {
            int next = file + (c - '0');
            if (next <= 7) {
                file = next;
            } else {
                file = 0;
                --rank;
            }
            continue;
        }
        int type = letterType(char(std::toupper(static_cast<unsigned char>(c))));
        if (!type)
            return false;
        Color color = std::isupper(static_cast<unsigned char>(c)) ? White : Black;
        board.putPiece(color, type, makeSquare(file, rank));
        if (++file > 7) {
            file = 0;
            --rank;
        }
    }

    skipSeparators();
    if (i < text.size()) {
        // Step 4. Side to move.
        char c = text[i++];
        if (c == 'w') {
            board.sideToMove = White;
        } else if (c == 'b') {
            board.sideToMove = Black;
        } else {
            return false;
        }
        skipSeparators();
    }
    // Black is to move by default; its key belongs to the position too.
    if (board.sideToMove == Black)
        board.key ^= sideKey;

    // Step 5. Castling rights, granted only with king and rook in place.
    if (i < text.size()) {
        if (text[i] == '-') {
            ++i;
        } else {
            while (i < text.size() && !isSeparator(text[i])) {
                switch (text[i++]) {
                case 'K': board.setCastlingRight(White, 0); break;
                case 'Q': board.setCastlingRight(White, 1); break;
                case 'k': board.setCastlingRight(Black, 0); break;
                case 'q': board.setCastlingRight(Black, 1); break;
                default: return false;
                }
            }
        }
        skipSeparators();
    }

    // Step 6. En passant: the square must be on the board and fit the pieces.
    if (i < text.size()) {
        if (text[i] == '-') {
            ++i;
        } else {
            if (i + 1 >= text.size())
                return false;
            char fileChar = text[i], rankChar = text[i + 1];
            i += 2;
            if (fileChar < 'a' || fileChar > 'h' || rankChar < '1' || rankChar > '8')
                return false;
            Square target = makeSquare(fileChar - 'a', rankChar - '1');
            if (!enPassantFits(board, target))
                return false;
            board.enPassant = int8_t(target);
            board.key ^= enPassantKey(target, ~board.side());
        }
        skipSeparators();
    }

    // Step 7. Halfmove clock: at most four characters of the field.
    if (i < text.size()) {
        size_t start = i;
        while (i < text.size() && i - start < 4 && !isSeparator(text[i]))
            ++i;
        uint32_t clock = readDecimal(text.substr(start, i - start));
        board.halfmoveClock = uint8_t(clock > 255 ? 255 : clock);
        skipSeparators();
    }

    // Step 8. Full-move number, kept within the state stack's room.
    setMoveCounters(board, i < text.size() ? readDecimal(text.substr(i)) : 0);

    // Step 9. Check, draw and mate flags; an impossible position is refused.
    return computeStatus(board);
}

bool computeStatus(Board& board) {
    const LookupTables& t = tables();
    // Step 1. A position beyond the board's limits is refused.
    board.status = StatusValid;
    if (!withinLimits(board)) {
        board.status = 0;
        return false;
    }
    Color us = board.side(), them = ~us;

    // Step 2. The side not to move must not stand in check.
    if (kingAttackedBy(board, us, board.kingSquare[them], ~board.occupied())) {
        board.status = 0;
        return false;
    }

    // Step 3. Count the checkers of the side to move's king.
    Square king = board.kingSquare[us];
    Bitboard occupancy = board.occupied();
    int checkers = 0;
    for (int type = Pawn; type <= Queen; ++type) {
        for (Bitboard pieces = board.sides[them].pieces[type]; pieces;) {
            Square s = popLsb(pieces);
            int d = t.moveDirection[type][them][king][s];
            bool checks = false;
            if (type == Pawn) {
                checks = d == 0 || d == 1;
            } else if (type == Knight) {
                checks = d != -1;
            } else if (d != -1) {
                checks = true;
                UnitStep step = t.unitStep[s][king];
                for (Square x = king + step.dy * 8 + step.dx; x != s; x += step.dy * 8 + step.dx)
                    if (occupancy & squareBit(x)) {
                        checks = false;
                        break;
                    }
            }
            if (checks) {
                ++checkers;
                board.checker = uint8_t(s);
            }
        }
    }

    // Step 4. Single or double check.
    if (checkers >= 1)
        board.status |= InCheck;
    if (checkers >= 2)
        board.status |= DoubleCheck;

    // Step 5. Draws first; only a position that is not drawn is tested for
    // mate and stalemate.
    detectDraws(board, false);
    if (!(board.status & DrawnMask))
        detectTerminal(board);
    return true;
}

std::string writeFen(const Board& board) {
    std::string fen;
    // Step 1. Placement.
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            Piece p = board.pieceOn(makeSquare(file, rank));
            if (isEmptyCode(p)) {
                ++empty;
                continue;
            }
            if (empty) {
                fen += char('0' + empty);
                empty = 0;
            }
            char letter = PieceLetters[pieceType(p) - 1];
            fen += pieceColor(p) == White ? letter : char(std::tolower(static_cast<unsigned char>(letter)));
        }
        if (empty)
            fen += char('0' + empty);
        if (rank)
            fen += '/';
    }
    // Step 2. Side to move.
    fen += board.sideToMove == White ? " w " : " b ";

    // Step 3. Castling, each right backed by its king and rook.
    if (!(board.castling & 15)) {
        fen += '-';
    } else {
        static constexpr struct {
            int bit;
            char letter;
        } Rights[4] = {{White * 2, 'K'}, {White * 2 + 1, 'Q'}, {Black * 2, 'k'}, {Black * 2 + 1, 'q'}};
        for (auto right : Rights) {
            if (!(board.castling & (1 << right.bit)))
                continue;
            Color c = Color(right.bit / 2);
            Square corner = right.bit % 2 == 0 ? ShortRookCorner[c] : LongRookCorner[c];
            if (board.pieceOn(KingHome[c]) != makePiece(c, King) || board.pieceOn(corner) != makePiece(c, Rook))
                return "";
            fen += right.letter;
        }
    }

    // Step 4. En passant, backed by the pawn that double-stepped.
    fen += ' ';
    if (board.enPassant <= 0) {
        fen += '-';
    } else {
        Square victim = board.enPassant + EnPassantVictimOffset[board.side()];
        if (victim < 0 || victim >= 64 || board.pieceOn(victim) != makePiece(~board.side(), Pawn))
            return "";
        fen += char('a' + fileOf(board.enPassant));
        fen += char('1' + rankOf(board.enPassant));
    }

    // Step 5. The two move counters.
    fen += ' ' + std::to_string(board.halfmoveClock) + ' ' + std::to_string(board.fullmove);
    return fen;
}

bool endEdit(Board& board) {
    // The edited position starts a new stretch of the game: nothing below it
    // can be unmade or repeated, rights and an en-passant square that no
    // longer fit the pieces go, and the counters are those its FEN would
    // give, so that the board reads back from its own FEN unchanged.
    dropImpossibleRights(board);
    setMoveCounters(board, board.fullmove);
    if (board.enPassant < 0)
        board.enPassant = 0;  // "none", written the way set-up writes it
    board.checker = 0;        // set again below when there is a check
    board.repetitions = 1;
    return computeStatus(board);
}

}  // namespace NEngine
