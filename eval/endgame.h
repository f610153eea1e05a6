// Endgame evaluators keyed by material. A registry maps the material
// signature of a position (the piece counts of both sides) to a function
// object that scores it; the evaluation asks the registry first and, when an
// evaluator applies, its score is the whole evaluation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <unordered_map>

#include "board/board.h"

namespace NEngine {

// What an endgame evaluator says about a position: whether it applies and, if
// so, its White-relative score.
struct EndgameVerdict {
    bool applies = false;
    int16_t score = 0;
};

// Material signature: White's counts in bits 32-63, Black's in bits 0-31;
// within a half, 4-bit counts of pawns, knights, bishops, rooks and queens at
// bits 0, 4, 8, 12 and 16.
using MaterialSignature = uint64_t;

constexpr int SignatureFieldBits = 4;
constexpr int SignatureHalfBits = 32;
constexpr int SignatureCountMax = 15;  // larger counts are clamped to the field

constexpr MaterialSignature signatureField(int kind, Color c, int count) {
    int clamped = count < 0 ? 0 : (count > SignatureCountMax ? SignatureCountMax : count);
    return MaterialSignature(clamped) << (SignatureFieldBits * (kind - 1) + SignatureHalfBits * c);
}

// One entry of a signature written by hand: piece kind (pawn .. queen), colour, count.
struct SignatureEntry {
    int kind;
    Color color;
    int count;
};

MaterialSignature materialSignature(std::initializer_list<SignatureEntry> entries);
// The signature of the position, from the incrementally kept piece counts.
MaterialSignature materialSignature(const Board& board);

// 64-bit FNV-1a over the eight bytes of the signature, lowest byte first.
struct SignatureHash {
    size_t operator()(MaterialSignature signature) const noexcept;
};

using ScoreEvaluator = std::function<int16_t(const Board&)>;
using VerdictEvaluator = std::function<EndgameVerdict(const Board&)>;

class EndgameRegistry {
public:
    // Fills the verdict map, then the score map, then the bare-king map.
    EndgameRegistry();

    // The endgame verdict for the position: (applies, White-relative score).
    // Most positions have too much material for any rule: they are rejected
    // here by counts alone, inline in the evaluation.
    EndgameVerdict probe(const Board& board) const {
        const SideSet& white = board.sides[White];
        const SideSet& black = board.sides[Black];
        if (white.material && black.material &&
            (piecesBesidePawns(white) > MaxRulePiecesPerSide || piecesBesidePawns(black) > MaxRulePiecesPerSide))
            return {};
        return probeMaterial(board);
    }

    // Registration (a signature registered twice keeps the last evaluator).
    void addVerdict(MaterialSignature signature, VerdictEvaluator evaluator);
    void addScore(MaterialSignature signature, ScoreEvaluator evaluator);
    void addBareKing(MaterialSignature signature, ScoreEvaluator evaluator);

    // Membership, for tests and tools.
    bool hasVerdict(MaterialSignature signature) const { return verdicts_.count(signature) != 0; }
    bool hasScore(MaterialSignature signature) const { return scores_.count(signature) != 0; }
    bool hasBareKing(MaterialSignature signature) const { return bareKing_.count(signature) != 0; }

private:
    static constexpr int MaxRulePiecesPerSide = 2;
    static int piecesBesidePawns(const SideSet& side) {
        return side.count[Knight] + side.count[Bishop] + side.count[Rook] + side.count[Queen];
    }
    // The lookup by material signature for the positions probe() lets through.
    EndgameVerdict probeMaterial(const Board& board) const;

    template <typename T>
    using SignatureMap = std::unordered_map<MaterialSignature, T, SignatureHash>;

    SignatureMap<VerdictEvaluator> verdicts_;
    SignatureMap<ScoreEvaluator> scores_;
    SignatureMap<ScoreEvaluator> bareKing_;
};

// The rule used when no evaluator is registered for the material: wrong rook
// pawn with a bishop, and rook pawns alone against a bare king.
EndgameVerdict generalEndgameRule(const Board& board);

// Builds the process-wide registry once; later calls (from any thread) do
// nothing.
void buildEndgameRegistry();
// The process-wide registry (built on first use if nobody built it yet).
const EndgameRegistry& endgameRegistry();

}  // namespace NEngine
