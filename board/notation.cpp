// Reading and writing moves: coordinate text and standard algebraic notation.
#include "board/notation.h"

#include <cctype>

#include "board/makemove.h"
#include "board/movegen.h"

namespace NEngine {

namespace {

constexpr const char* SanPieceLetters = "PNBRQK";

bool isFile(char c) { return c >= 'a' && c <= 'h'; }
bool isRank(char c) { return c >= '1' && c <= '8'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int sanPieceType(char c) {
    for (int i = 0; SanPieceLetters[i]; ++i)
        if (SanPieceLetters[i] == c)
            return i + 1;
    return 0;
}

char promotionLetter(int type) {
    switch (type) {
    case Knight: return 'n';
    case Bishop: return 'b';
    case Rook: return 'r';
    case Queen: return 'q';
    default: return 0;
    }
}

int promotionFromLetter(char c) {
    switch (std::tolower(static_cast<unsigned char>(c))) {
    case 'n': return Knight;
    case 'b': return Bishop;
    case 'r': return Rook;
    case 'q': return Queen;
    default: return 0;
    }
}

bool isCaptureMove(const Board& board, Move move) {
    Square to = moveTo(move);
    if (!isEmptyCode(board.pieceOn(to)))
        return true;
    return board.typeOn(moveFrom(move)) == Pawn && board.enPassant > 0 && to == board.enPassant;
}

}  // namespace

const std::string& nullMoveText() {
    static const std::string text = "0000";
    return text;
}

std::string squareText(Square s) { return {char('a' + fileOf(s)), char('1' + rankOf(s))}; }

std::string moveToText(Move move, bool withPrefix) {
    Square from = moveFrom(move), to = moveTo(move);
    if (from == to)
        return "";
    std::string text = withPrefix ? "move " : "";
    text += squareText(from);
    text += squareText(to);
    if (char letter = promotionLetter(movePromotion(move)))
        text += letter;
    return text;
}

std::string moveToSan(Board& board, Move move) {
    // Step 1. The null move has a text of its own.
    if ((move & MoveBits) == NullMove)
        return nullMoveText();
    Square from = moveFrom(move), to = moveTo(move);
    int promotion = movePromotion(move);
    int type = board.typeOn(from);

    // Step 2. Whether the move captures (en passant included): it shows an 'x'.
    bool capture = isCaptureMove(board, move);

    // Step 3. Find the move among the legal ones and count its look-alikes.
    MoveList list;
    generateAll(board, list);
    bool found = false;
    uint16_t statusAfter = 0;
    int count = 0, sameFile = 0, sameRank = 0;
    for (uint16_t i = list.head; i != MoveList::End; i = list.entries[i].next) {
        Move candidate = list.entries[i].move;
        if (!isLegal(board, candidate))
            continue;
        if (sameMove(candidate, move)) {
            found = true;
            makeMove(board, candidate);
            detectTerminal(board);
            statusAfter = board.status;
            unmakeMove(board, candidate);
        }
        if (moveTo(candidate) == to && board.typeOn(moveFrom(candidate)) == type &&
            movePromotion(candidate) == promotion) {
            ++count;
            if (fileOf(moveFrom(candidate)) == fileOf(from))
                ++sameFile;
            if (rankOf(moveFrom(candidate)) == rankOf(from))
                ++sameRank;
        }
    }

    // Step 4. A move that is not legal here has no text.
    if (!found)
        return "";

    std::string san;
    if (type == King && (to - from == 2 || from - to == 2)) {
        // Step 5. Castling is written by its wing.
        san = to < from ? "O-O-O" : "O-O";
    } else {
        // Step 6. The piece letter; a pawn has none.
        if (type != Pawn)
            san += SanPieceLetters[type - 1];
        // Step 7. Disambiguation (the counts include the move itself).
        if (count == 1) {
            if (type == Pawn && capture)
                san += char('a' + fileOf(from));
        } else if (sameFile > 1) {
            if (sameRank > 1)
                san += char('a' + fileOf(from));
            san += char('1' + rankOf(from));
        } else {
            san += char('a' + fileOf(from));
        }
        // Step 8. Capture mark, target square and promotion piece.
        if (capture)
            san += 'x';
        san += squareText(to);
        if (promotion) {
            san += '=';
            san += SanPieceLetters[promotion - 1];
        }
    }

    // Step 9. Mate or check, as the position after the move shows it.
    if (statusAfter & Checkmate)
        san += '#';
    else if (statusAfter & InCheck)
        san += '+';
    return san;
}

int classifyMoveText(std::string_view text) {
    size_t n = text.size();
    if (n < 2)
        return NotMoveText;
    if (n >= 4 && isFile(text[0]) && isDigit(text[1]) && isFile(text[2]) && isDigit(text[3]))
        return CoordinateText;
    if (n == 2 && isFile(text[0]) && (isFile(text[1]) || isDigit(text[1])))
        return SanText;
    if (text == nullMoveText())
        return SanText;
    if (n < 3)
        return NotMoveText;
    auto isLetter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
    if (!isLetter(text[0]) || !(isLetter(text[1]) || isDigit(text[1]) || text[1] == '-'))
        return NotMoveText;
    if (sanPieceType(text[0])) {
        char a = text[1], b = text[2];
        if (isFile(a) && (isDigit(b) || b == 'x' || isFile(b)))
            return SanText;
        if (isDigit(a) && (isFile(b) || b == 'x'))
            return SanText;
        if (a == 'x' && isFile(b))
            return SanText;
    }
    if (text.find("O-O") != std::string_view::npos)
        return SanText;
    if (isFile(text[0]) && (isDigit(text[1]) || text[1] == 'x'))
        return SanText;
    return NotMoveText;
}

Move parseCoordinate(std::string_view text) {
    // Squares off the board are refused rather than wrapped into real ones.
    if (text.size() < 4 || !isFile(text[0]) || !isRank(text[1]) || !isFile(text[2]) || !isRank(text[3]))
        return NullMove;
    Square from = makeSquare(text[0] - 'a', text[1] - '1');
    Square to = makeSquare(text[2] - 'a', text[3] - '1');
    int promotion = 0;
    if (text.size() >= 5 && std::isalpha(static_cast<unsigned char>(text[4])))
        promotion = promotionFromLetter(text[4]);
    return composeMove(from, to, promotion);
}

Move parseSan(Board& board, std::string_view text) {
    // Step 1. Empty text and the null move's text give no move.
    if (text.empty() || text == nullMoveText())
        return NullMove;
    Color us = board.side();
    int type = Pawn;
    int fromFile = -1, fromRank = -1;
    Square to = -1;
    int promotion = 0;
    bool capture = false;
    bool castling = false;

    // Step 2. A piece letter names the mover; without one it is a pawn or castling.
    if (int t = sanPieceType(text[0])) {
        type = t;
        text.remove_prefix(1);
    } else if (text.find("O-O") != std::string_view::npos) {
        // Step 3. Castling: the king's two-square step from its home square.
        castling = true;
        type = King;
        Square home = KingHome[us];
        to = text.find("O-O-O") != std::string_view::npos ? home - 2 : home + 2;
        fromFile = fileOf(home);
        fromRank = rankOf(home);
    }

    if (!castling) {
        // Step 4. Disambiguation.
        size_t n = text.size();
        if (n >= 2 && isRank(text[0]) && (isFile(text[1]) || text[1] == 'x')) {
            fromRank = text[0] - '1';
            text.remove_prefix(1);
        } else if (n >= 2 && isFile(text[0]) && (isFile(text[1]) || text[1] == 'x')) {
            fromFile = text[0] - 'a';
            text.remove_prefix(1);
        } else if (n >= 3 && isFile(text[0]) && isRank(text[1]) && (isFile(text[2]) || text[2] == 'x')) {
            fromFile = text[0] - 'a';
            fromRank = text[1] - '1';
            text.remove_prefix(2);
        }
        // Step 5. Capture mark and destination.
        if (!text.empty() && text[0] == 'x') {
            capture = true;
            text.remove_prefix(1);
        }
        if (text.size() < 2 || !isFile(text[0]) || !isRank(text[1]))
            return NullMove;
        to = makeSquare(text[0] - 'a', text[1] - '1');
        text.remove_prefix(2);
        // Step 6. Promotion, with or without "=".
        if (!text.empty() && text[0] == '=') {
            if (text.size() < 2)
                return NullMove;
            promotion = promotionFromLetter(text[1]);
            if (!promotion)
                return NullMove;
        } else if (!text.empty() && std::string_view("NBRQ").find(text[0]) != std::string_view::npos) {
            promotion = promotionFromLetter(text[0]);
        }
    }

    // Step 7. The first legal move that fits.
    MoveList list;
    generateAll(board, list);
    for (uint16_t i = list.head; i != MoveList::End; i = list.entries[i].next) {
        Move move = list.entries[i].move;
        if (!isLegal(board, move))
            continue;
        Square from = moveFrom(move);
        if (moveTo(move) != to || movePromotion(move) != promotion || board.typeOn(from) != type ||
            isCaptureMove(board, move) != capture)
            continue;
        if (fromFile >= 0 && fromRank >= 0) {
            if (from != makeSquare(fromFile, fromRank))
                continue;
        } else if (fromFile >= 0) {
            if (fileOf(from) != fromFile)
                continue;
        } else if (fromRank >= 0) {
            if (rankOf(from) != fromRank)
                continue;
        }
        return move;
    }
    return NullMove;
}

Move parseMoveText(Board& board, std::string_view text) {
    if (text.empty())
        return NullMove;
    switch (classifyMoveText(text)) {
    case SanText: return parseSan(board, text);
    case CoordinateText: {
        Move move = parseCoordinate(text);
        if (move == NullMove)
            return NullMove;
        Piece piece = board.pieceOn(moveFrom(move));
        if (isEmptyCode(piece) || pieceColor(piece) != board.side() || !isPseudoLegal(board, move))
            return NullMove;
        return move;
    }
    default: return NullMove;
    }
}

}  // namespace NEngine
