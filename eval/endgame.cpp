// The endgame registry: material signatures, lookup and the general rule.
// The registered evaluators themselves are in endgame_rules.cpp.
#include "eval/endgame.h"

#include <atomic>
#include <mutex>

#include "eval/kpk.h"

namespace NEngine {

namespace {

constexpr uint64_t FnvOffsetBasis = 0xCBF29CE484222325ULL;
constexpr uint64_t FnvPrime = 0x100000001B3ULL;
constexpr int SignatureBytes = 8;

constexpr Bitboard FileAMask = 0x0101010101010101ULL;
constexpr Bitboard FileHMask = FileAMask << 7;

// Pieces other than pawns and king.
inline int pieceCount(const SideSet& side) {
    return side.count[Knight] + side.count[Bishop] + side.count[Rook] + side.count[Queen];
}

inline bool lightSquare(Square s) { return ((fileOf(s) + rankOf(s)) & 1) != 0; }

inline int distance(Square a, Square b) { return int(tables().distance[a][b]); }

inline Square promotionSquare(Color c, Square pawn) {
    return c == White ? makeSquare(fileOf(pawn), 7) : makeSquare(fileOf(pawn), 0);
}

// Whether all of the pawns stand on the a-file or all on the h-file.
inline bool rookPawnsOnly(Bitboard pawnSet) { return !(pawnSet & ~FileAMask) || !(pawnSet & ~FileHMask); }

}  // namespace

MaterialSignature materialSignature(std::initializer_list<SignatureEntry> entries) {
    MaterialSignature signature = 0;
    for (const SignatureEntry& e : entries)
        if (e.kind >= Pawn && e.kind <= Queen)
            signature |= signatureField(e.kind, e.color, e.count);
    return signature;
}

MaterialSignature materialSignature(const Board& board) {
    MaterialSignature signature = 0;
    for (Color c : {Black, White})
        for (int kind = Pawn; kind <= Queen; ++kind)
            signature |= signatureField(kind, c, board.sides[c].count[kind]);
    return signature;
}

size_t SignatureHash::operator()(MaterialSignature signature) const noexcept {
    uint64_t hash = FnvOffsetBasis;
    for (int i = 0; i < SignatureBytes; ++i) {
        hash ^= (signature >> (8 * i)) & 0xFF;
        hash *= FnvPrime;
    }
    return size_t(hash);
}

void EndgameRegistry::addVerdict(MaterialSignature signature, VerdictEvaluator evaluator) {
    verdicts_[signature] = std::move(evaluator);
}

void EndgameRegistry::addScore(MaterialSignature signature, ScoreEvaluator evaluator) {
    scores_[signature] = std::move(evaluator);
}

void EndgameRegistry::addBareKing(MaterialSignature signature, ScoreEvaluator evaluator) {
    bareKing_[signature] = std::move(evaluator);
}

EndgameVerdict EndgameRegistry::probeMaterial(const Board& board) const {
    if (board.sides[White].material && board.sides[Black].material) {
        MaterialSignature signature = materialSignature(board);
        if (auto it = verdicts_.find(signature); it != verdicts_.end())
            return it->second(board);
        if (auto it = scores_.find(signature); it != scores_.end())
            return {true, it->second(board)};
        return generalEndgameRule(board);
    }
    MaterialSignature signature = materialSignature(board);
    if (auto it = bareKing_.find(signature); it != bareKing_.end())
        return {true, it->second(board)};
    return generalEndgameRule(board);
}

EndgameVerdict generalEndgameRule(const Board& board) {
    constexpr int DrawishScore = 20;
    constexpr int FarPawnRank = 4;
    constexpr int FarPawnWeight = 5;
    for (Color c : {Black, White}) {
        const Color defender = ~c;
        const SideSet& own = board.sides[c];
        const SideSet& other = board.sides[defender];
        const Bitboard pawnSet = board.pieces(c, Pawn);
        const Square ownKing = board.kingSquare[c];
        const Square defenderKing = board.kingSquare[defender];

        // Step 1: bishop and rook pawns where the bishop does not control the
        // promotion corner.
        if (own.count[Bishop] == 1 && !own.count[Knight] && !own.count[Rook] && !own.count[Queen] && pawnSet &&
            pieceCount(other) == 0) {
            if (!rookPawnsOnly(pawnSet))
                return {};
            Square q = promotionSquare(c, lsb(pawnSet));
            if (lightSquare(lsb(board.pieces(c, Bishop))) == lightSquare(q))
                return {};
            // Far-advanced defending pawns give the defender chances of its own.
            int v = 0;
            for (Bitboard b = board.pieces(defender, Pawn); b;) {
                int r = relativeRank(defender, popLsb(b));
                if (r > FarPawnRank)
                    v += FarPawnWeight * r;
            }
            int dp = distance(lsb(pawnSet), q);
            int dk = distance(defenderKing, q);
            if ((dp > dk && dk <= distance(ownKing, q)) || (dk < 2 && dp >= 1))
                return {true, int16_t(c == White ? DrawishScore - v : v - DrawishScore)};
            return {};
        }

        // Step 2: rook pawns alone against the bare king.
        if (other.material == 0 && pieceCount(own) == 0 && pawnSet) {
            if (!rookPawnsOnly(pawnSet))
                return {};
            Square leader = c == White ? msb(pawnSet) : lsb(pawnSet);
            if (!kpk(board, c, leader))
                return {true, int16_t(c == White ? DrawishScore : -DrawishScore)};
            return {};
        }
    }
    return {};
}

namespace {
std::atomic<const EndgameRegistry*> registryInstance{nullptr};
std::once_flag registryOnce;
}  // namespace

void buildEndgameRegistry() {
    std::call_once(registryOnce, [] {
        static const EndgameRegistry registry;
        registryInstance.store(&registry, std::memory_order_release);
    });
}

const EndgameRegistry& endgameRegistry() {
    const EndgameRegistry* registry = registryInstance.load(std::memory_order_acquire);
    if (!registry) {
        buildEndgameRegistry();
        registry = registryInstance.load(std::memory_order_acquire);
    }
    return *registry;
}

}  // namespace NEngine
