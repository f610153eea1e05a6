// The registered endgame evaluators and the registry's construction.
//
// Every score is White-relative. The helpers below are written for a side c
// and negated for Black, so that each rule is stated once for both colours.
#include <cstdlib>
#include <string_view>

#include "eval/endgame.h"
#include "eval/kpk.h"
#include "eval/pawnrace.h"

namespace NEngine {

namespace {

// Passed-pawn bonus by relative rank, shared with the pawn-structure terms.
constexpr int PassedRankBonus[7] = {0, 5, 9, 20, 38, 65, 98};
constexpr int MaxPassedRank = 6;
constexpr int MinorBase = 7;
constexpr int MateBase = 82;
constexpr int QueenMinorBase = 59;
constexpr int KnightBishopsBase = 42;
constexpr int RookValue = 545;
constexpr int RookPawnBase = 90;
constexpr int QueenPawnBase = 135;
constexpr int FortressScore = 10;
constexpr int WrongBishopBonus = 595;
constexpr int MaxPawnRegistrations = 7;

constexpr Bitboard FileAMask = 0x0101010101010101ULL;
constexpr Bitboard FileHMask = FileAMask << 7;
constexpr Bitboard RookFiles = FileAMask | FileHMask;
// Squares where a pawn can hold a fortress for the rook against the queen.
constexpr Bitboard FortressMask[2] = {0x007E4242427E7E00ULL, 0x007E7E4242427E00ULL};

inline int distance(Square a, Square b) { return int(tables().distance[a][b]); }

// The endgame king table read with the raw square for both colours.
inline int kingTable(Square s) { return PsqEg[King][s]; }

inline bool lightSquare(Square s) { return ((fileOf(s) + rankOf(s)) & 1) != 0; }

inline Square promotionSquare(Color c, Square pawn) {
    return c == White ? makeSquare(fileOf(pawn), 7) : makeSquare(fileOf(pawn), 0);
}

inline int16_t forColor(Color c, int score) { return int16_t(c == White ? score : -score); }

inline int count(const Board& board, Color c, int type) { return board.sides[c].count[type]; }

// The lowest-numbered piece of the kind; the own king's square when there is
// none (the registrations guarantee one, this keeps a bad board harmless).
inline Square firstPiece(const Board& board, Color c, int type) {
    Bitboard b = board.pieces(c, type);
    return b ? lsb(b) : Square(board.kingSquare[c]);
}

inline int passedBonus(int relativeRank) {
    return PassedRankBonus[relativeRank < 0 ? 0 : (relativeRank > MaxPassedRank ? MaxPassedRank : relativeRank)];
}

// Strong side c mates the bare king: drive it to the edge, kings close.
int16_t mate(const Board& board, Color c) {
    Square weakKing = board.kingSquare[~c];
    int score = board.sides[c].material + 2 * (MateBase - distance(board.kingSquare[White], board.kingSquare[Black])) -
                kingTable(weakKing) - board.halfmoveClock;
    return forColor(c, score);
}

// Minor-piece endings: the strong side's king and pieces near the weak king,
// the weak side's pieces far from it.
int minor(const Board& board, Color c) {
    const Color weak = ~c;
    Square kw = board.kingSquare[weak];
    int score = 2 * (MinorBase - distance(board.kingSquare[c], kw)) - kingTable(kw);
    if (count(board, c, Knight))
        score += 2 * (MinorBase - distance(firstPiece(board, c, Knight), kw));
    if (count(board, c, Bishop))
        score += 2 * (MinorBase - distance(firstPiece(board, c, Bishop), kw));
    if (count(board, weak, Knight))
        score += 2 * distance(firstPiece(board, weak, Knight), kw);
    if (count(board, weak, Bishop))
        score += 2 * distance(firstPiece(board, weak, Bishop), kw);
    return c == White ? score : -score;
}

// Rook or queen and pawn against the same piece; c has the pawn.
int16_t heavyPiecePawn(const Board& board, Color c) {
    const Color weak = ~c;
    Square pawn = firstPiece(board, c, Pawn);
    Square q = promotionSquare(c, pawn);
    Square kw = board.kingSquare[weak];
    int r = relativeRank(c, pawn);
    int base = count(board, c, Queen) ? QueenPawnBase : RookPawnBase;
    int t = distance(kw, q) - distance(board.kingSquare[c], q);
    if (board.side() == weak)
        t -= 1;
    int s = 3 * t + passedBonus(r) + base;
    int result;
    if (std::abs(fileOf(kw) - fileOf(pawn)) < 2 && relativeRank(c, kw) >= r)
        result = s / 4;  // the defending king stands in front of the pawn
    else if (!defenderReachesPath(board, c, pawn))
        result = s + passedBonus(r) / 2;
    else
        result = s * 3 / 4;
    if (squareBit(pawn) & RookFiles)
        result = int16_t(result) * 3 / 4;
    return forColor(c, result);
}

// Queen and minor piece against queen; c has the minor piece.
int16_t queenAndMinor(const Board& board, Color c) {
    const Color weak = ~c;
    Square kw = board.kingSquare[weak];
    Square minorPiece = count(board, c, Bishop) ? firstPiece(board, c, Bishop) : firstPiece(board, c, Knight);
    int score = 2 * (distance(firstPiece(board, weak, Queen), kw) - distance(board.kingSquare[c], kw) -
                     distance(firstPiece(board, c, Queen), kw) + QueenMinorBase) -
                kingTable(kw) - 2 * distance(minorPiece, kw);
    return forColor(c, score);
}

// Whether one defending pawn holds the fortress of the rook side against the
// queen; c is the queen side.
bool fortressPawnQualifies(const Board& board, Color c, Square p) {
    constexpr int FileB = 1, FileC = 2, FileD = 3, FileE = 4, FileF = 5, FileG = 6;
    const Color defender = ~c;
    Square rook = firstPiece(board, defender, Rook);
    Square defenderKing = board.kingSquare[defender];
    Square attackerKing = board.kingSquare[c];

    // Step 1: the pawn guards the rook and the king guards the pawn.
    if (!(tables().pawnAttacks[defender][p] & squareBit(rook)) || distance(defenderKing, p) != 1)
        return false;

    // Step 2: rook on the third rank, king and pawn behind it.
    int rookRank = relativeRank(defender, rook);
    int pawnRank = relativeRank(defender, p);
    if (rookRank == 2 && relativeRank(defender, attackerKing) > 2 && relativeRank(defender, defenderKing) <= 1 &&
        pawnRank == 1)
        return true;

    // Step 3: the knight-file pawns with the rook beside them.
    int pawnFile = fileOf(p), rookFile = fileOf(rook);
    int defenderFile = fileOf(defenderKing), attackerFile = fileOf(attackerKing);
    if (pawnFile == FileB && rookFile == FileC && defenderFile <= FileB && attackerFile >= FileD)
        return true;
    if (pawnFile == FileG && rookFile == FileF && defenderFile >= FileG && attackerFile <= FileE)
        return true;

    // Step 4: an advanced pawn with the attacking king cut off by the rook.
    return (pawnRank == 5 || pawnRank == 6) && (attackerFile - rookFile) * (pawnFile - rookFile) < 0;
}

EndgameVerdict fortress(const Board& board, Color c) {
    const Color defender = ~c;
    for (Bitboard b = board.pieces(defender, Pawn) & FortressMask[defender]; b;)
        if (fortressPawnQualifies(board, c, popLsb(b)))
            return {true, forColor(c, FortressScore)};
    return {};
}

// King, bishop and pawn against king; c has the pawn.
int16_t bishopAndPawn(const Board& board, Color c) {
    Square pawn = firstPiece(board, c, Pawn);
    Square q = promotionSquare(c, pawn);
    Square bishop = firstPiece(board, c, Bishop);
    int dk = distance(board.kingSquare[~c], q);
    int dp = distance(pawn, q);
    bool wrongCorner = lightSquare(bishop) != lightSquare(q) && (squareBit(pawn) & RookFiles) &&
                       ((dk < dp && dk <= distance(board.kingSquare[c], q)) || (dk <= 1 && pawn != q));
    int score = race(board, c);
    if (!wrongCorner)
        score += c == White ? WrongBishopBonus : -WrongBishopBonus;
    return int16_t(score);
}

// A lone minor piece (or pieces) of the defender against side c's pawn, with
// the blockade test and the KPK fallback: `drawn` when the piece or king
// holds, `won` when the pawn runs through.
int16_t minorBlockade(const Board& board, Color c, int pieceType, Bitboard excluded, int16_t drawn, int16_t won) {
    if (stops(board, c, pieceType, excluded))
        return drawn;
    return kpk(board, c, firstPiece(board, c, Pawn)) ? won : drawn;
}

Bitboard bishopDiagonals(const Board& board, Color c) {
    return bishopAttacks(firstPiece(board, c, Bishop), board.occupied());
}

Bitboard knightAttacks(const Board& board, Color c) { return tables().knightAttacks[firstPiece(board, c, Knight)]; }

// A signature written as the pieces of both sides, e.g. ("KRP", "KR").
MaterialSignature material(std::string_view white, std::string_view black) {
    MaterialSignature signature = 0;
    for (Color c : {White, Black}) {
        int counts[PieceTypeCount] = {};
        for (char letter : c == White ? white : black) {
            switch (letter) {
            case 'P': ++counts[Pawn]; break;
            case 'N': ++counts[Knight]; break;
            case 'B': ++counts[Bishop]; break;
            case 'R': ++counts[Rook]; break;
            case 'Q': ++counts[Queen]; break;
            default: break;
            }
        }
        for (int kind = Pawn; kind <= Queen; ++kind)
            signature |= signatureField(kind, c, counts[kind]);
    }
    return signature;
}

MaterialSignature withPawns(std::string_view white, std::string_view black, Color pawnSide, int n) {
    return material(white, black) | signatureField(Pawn, pawnSide, n);
}

VerdictEvaluator always(int16_t (*score)(const Board&)) {
    return [score](const Board& board) { return EndgameVerdict{true, score(board)}; };
}

}  // namespace

EndgameRegistry::EndgameRegistry() {
    constexpr size_t InitialBuckets = 8;
    constexpr float MaxLoadFactor = 1.0f;
    auto prepare = [](auto& map) {
        map.max_load_factor(MaxLoadFactor);
        map.rehash(InitialBuckets);
    };
    prepare(verdicts_);
    prepare(scores_);
    prepare(bareKing_);

    // 1. Verdict map.
    auto minorOffset = [this](std::initializer_list<std::pair<std::string_view, std::string_view>> list, Color c,
                              int offset) {
        for (auto [white, black] : list)
            addVerdict(material(white, black), [c, offset](const Board& board) {
                return EndgameVerdict{true, int16_t(minor(board, c) + offset)};
            });
    };
    minorOffset({{"KN", "KBN"}, {"KB", "KBN"}, {"KNN", "KR"}, {"KB", "KNN"}, {"KN", "KNN"}}, Black, -15);
    minorOffset({{"KBN", "KN"}, {"KBN", "KB"}, {"KR", "KNN"}, {"KNN", "KB"}, {"KNN", "KN"}}, White, 15);
    minorOffset({{"KR", "KN"}, {"KR", "KB"}}, White, 20);
    minorOffset({{"KN", "KR"}, {"KB", "KR"}}, Black, -20);
    minorOffset({{"KBB", "KR"}, {"KRN", "KR"}}, White, 40);
    minorOffset({{"KR", "KBB"}, {"KR", "KRN"}}, Black, -40);
    minorOffset({{"KBN", "KR"}}, White, 25);
    minorOffset({{"KR", "KBN"}}, Black, -25);
    minorOffset({{"KR", "KRB"}}, Black, -50);
    minorOffset({{"KRB", "KR"}}, White, 50);
    minorOffset({{"KB", "KBB"}}, Black, -35);
    minorOffset({{"KBB", "KB"}}, White, 35);

    auto raceOffset = [this](std::initializer_list<std::pair<std::string_view, std::string_view>> list, Color c,
                             int offset) {
        for (auto [white, black] : list)
            addVerdict(material(white, black), [c, offset](const Board& board) {
                return EndgameVerdict{true, int16_t(race(board, c) + offset)};
            });
    };
    raceOffset({{"KR", "KBP"}, {"KR", "KNP"}}, Black, 50);
    raceOffset({{"KBP", "KR"}, {"KNP", "KR"}}, White, -50);
    raceOffset({{"KRN", "KRP"}, {"KRB", "KRP"}}, Black, -10);
    raceOffset({{"KRP", "KRN"}, {"KRP", "KRB"}}, White, 10);

    addVerdict(material("KN", "KBB"), [](const Board& board) {
        Square wk = board.kingSquare[White], bk = board.kingSquare[Black];
        int score =
            2 * (distance(bk, wk) - distance(firstPiece(board, White, Knight), wk) - KnightBishopsBase) + kingTable(wk);
        return EndgameVerdict{true, int16_t(score)};
    });
    addVerdict(material("KBB", "KN"), [](const Board& board) {
        Square wk = board.kingSquare[White], bk = board.kingSquare[Black];
        int score =
            2 * (distance(firstPiece(board, Black, Knight), bk) - distance(wk, bk) + KnightBishopsBase) - kingTable(bk);
        return EndgameVerdict{true, int16_t(score)};
    });

    for (auto [white, black] : {std::pair{"KR", "KRP"}, std::pair{"KQ", "KQP"}})
        addVerdict(material(white, black), always([](const Board& b) { return heavyPiecePawn(b, Black); }));
    for (auto [white, black] : {std::pair{"KRP", "KR"}, std::pair{"KQP", "KQ"}})
        addVerdict(material(white, black), always([](const Board& b) { return heavyPiecePawn(b, White); }));

    for (auto [white, black] : {std::pair{"KQ", "KQN"}, std::pair{"KQ", "KQB"}})
        addVerdict(material(white, black), always([](const Board& b) { return queenAndMinor(b, Black); }));
    for (auto [white, black] : {std::pair{"KQN", "KQ"}, std::pair{"KQB", "KQ"}})
        addVerdict(material(white, black), always([](const Board& b) { return queenAndMinor(b, White); }));

    addVerdict(material("KR", "KQ"), [](const Board& board) {
        Square wk = board.kingSquare[White], bk = board.kingSquare[Black];
        int score = 2 * (distance(bk, wk) - distance(firstPiece(board, White, Rook), wk) +
                         distance(firstPiece(board, Black, Queen), wk)) +
                    kingTable(wk) + board.halfmoveClock - RookValue;
        return EndgameVerdict{true, int16_t(score)};
    });
    addVerdict(material("KQ", "KR"), [](const Board& board) {
        Square wk = board.kingSquare[White], bk = board.kingSquare[Black];
        int score = 2 * (distance(firstPiece(board, Black, Rook), bk) - distance(wk, bk) -
                         distance(firstPiece(board, White, Queen), bk)) -
                    kingTable(bk) - board.halfmoveClock + RookValue;
        return EndgameVerdict{true, int16_t(score)};
    });

    for (auto [white, black] : {std::pair{"KRP", "KQ"}, std::pair{"KRPP", "KQ"}})
        addVerdict(material(white, black), [](const Board& b) { return fortress(b, Black); });
    for (auto [white, black] : {std::pair{"KQ", "KRP"}, std::pair{"KQ", "KRPP"}})
        addVerdict(material(white, black), [](const Board& b) { return fortress(b, White); });

    // 2. Score map.
    addScore(material("KN", "KBP"), [](const Board& b) {
        return int16_t(race(b, Black) + minorBlockade(b, Black, Knight, bishopDiagonals(b, Black), -20, -90));
    });
    addScore(material("KBP", "KN"), [](const Board& b) {
        return int16_t(race(b, White) + minorBlockade(b, White, Knight, bishopDiagonals(b, White), 20, 90));
    });
    addScore(material("KB", "KBP"), [](const Board& b) {
        return int16_t(race(b, Black) + minorBlockade(b, Black, Bishop, bishopDiagonals(b, Black), -20, -90));
    });
    addScore(material("KBP", "KB"), [](const Board& b) {
        return int16_t(race(b, White) + minorBlockade(b, White, Bishop, bishopDiagonals(b, White), 20, 90));
    });
    addScore(material("KN", "KNP"), [](const Board& b) {
        return int16_t(race(b, Black) + minorBlockade(b, Black, Knight, knightAttacks(b, Black), -20, -90));
    });
    addScore(material("KNP", "KN"), [](const Board& b) {
        return int16_t(race(b, White) + minorBlockade(b, White, Knight, knightAttacks(b, White), 20, 90));
    });
    addScore(material("KB", "KNP"), [](const Board& b) {
        return int16_t(race(b, Black) + minorBlockade(b, Black, Bishop, knightAttacks(b, Black), -20, -90));
    });
    addScore(material("KNP", "KB"), [](const Board& b) {
        return int16_t(race(b, White) + minorBlockade(b, White, Bishop, knightAttacks(b, White), 20, 90));
    });

    // A lone minor piece against n pawns: one pawn is raced, more are counted.
    for (int n = 1; n <= MaxPawnRegistrations; ++n) {
        for (int pieceType : {Bishop, Knight}) {
            std::string_view piece = pieceType == Bishop ? "KB" : "KN";
            for (Color c : {Black, White}) {
                MaterialSignature signature =
                    c == Black ? withPawns(piece, "K", Black, n) : withPawns("K", piece, White, n);
                addScore(signature, [n, pieceType, c](const Board& b) {
                    if (n != 1)
                        return pawns(b, c);
                    int r = race(b, c);
                    int offset = c == White ? 20 : -20;
                    int16_t held = int16_t(r / 2 + offset);
                    return minorBlockade(b, c, pieceType, 0, held, int16_t(r + 50 * (c == White ? 1 : -1)));
                });
            }
        }
        addScore(withPawns("KNN", "K", Black, n), [](const Board& b) { return pawns(b, Black); });
        addScore(withPawns("K", "KNN", White, n), [](const Board& b) { return pawns(b, White); });
    }

    // 3. Bare-king map.
    for (std::string_view pieces : {"KR", "KQ", "KBB", "KRB", "KRN", "KBNN", "KBBN", "KBBNN"}) {
        addBareKing(material(pieces, "K"), [](const Board& b) { return mate(b, White); });
        addBareKing(material("K", pieces), [](const Board& b) { return mate(b, Black); });
    }
    addBareKing(material("KBN", "K"), [](const Board& b) { return bishopKnightMate(b, White); });
    addBareKing(material("K", "KBN"), [](const Board& b) { return bishopKnightMate(b, Black); });
    addBareKing(material("KBP", "K"), [](const Board& b) { return bishopAndPawn(b, White); });
    addBareKing(material("K", "KBP"), [](const Board& b) { return bishopAndPawn(b, Black); });
    addBareKing(material("KP", "K"), [](const Board& b) { return kpkScore(b, White); });
    addBareKing(material("K", "KP"), [](const Board& b) { return kpkScore(b, Black); });
}

}  // namespace NEngine
