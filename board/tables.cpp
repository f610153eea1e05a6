// Construction of the slider, geometry and step tables.
#include "board/tables.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace NEngine {

namespace {

struct Step {
    int dx;
    int dy;
};

// Direction orders of the per-square lists.
constexpr Step PawnSteps[4] = {{-1, 1}, {1, 1}, {0, 1}, {0, 2}};  // white; black negates dy
constexpr Step KnightSteps[8] = {{-2, 1}, {-1, 2}, {1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}};
constexpr Step BishopSteps[4] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
constexpr Step RookSteps[4] = {{-1, 0}, {0, 1}, {1, 0}, {0, -1}};
constexpr Step QueenSteps[8] = {{-1, 0}, {-1, 1}, {0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}};

bool onBoard(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

int sign(int v) { return (v > 0) - (v < 0); }

// The slider attack blocks, room for 64 x 4096 rook entries and 64 x 512
// bishop entries (the multiplied layout; the extracted one uses less).
alignas(16) Bitboard rookAttackBlock[64 * 4096];
alignas(16) Bitboard bishopAttackBlock[64 * 512];

LookupTables lookupTables;

}  // namespace

MagicEntry rookMagics[64];
MagicEntry bishopMagics[64];
const LookupTables* Tables = nullptr;

Bitboard sliderAttacks(SliderKind kind, Square square, Bitboard occupancy, bool maskMode) {
    const Step* steps = kind == RookSlider ? RookSteps : BishopSteps;
    Bitboard result = 0;
    for (int d = 0; d < 4; ++d) {
        int file = fileOf(square), rank = rankOf(square);
        for (;;) {
            file += steps[d].dx;
            rank += steps[d].dy;
            if (!onBoard(file, rank))
                break;
            // The mask leaves out the last square before the edge: a piece
            // there cannot block anything.
            if (maskMode && !onBoard(file + steps[d].dx, rank + steps[d].dy))
                break;
            Square s = makeSquare(file, rank);
            result |= squareBit(s);
            if (!maskMode && (occupancy & squareBit(s)))
                break;
        }
    }
    return result;
}

void initSliderTables() {
    static std::once_flag once;
    std::call_once(once, [] {
        const bool extract = selectBitExtract();
        for (int kind = 0; kind < 2; ++kind) {
            SliderKind slider = kind == 0 ? RookSlider : BishopSlider;
            MagicEntry* magics = kind == 0 ? rookMagics : bishopMagics;
            const uint64_t* multipliers = kind == 0 ? rookMultipliers : bishopMultipliers;
            Bitboard* block = kind == 0 ? rookAttackBlock : bishopAttackBlock;
            int entries = kind == 0 ? 4096 : 512;
            int shift = kind == 0 ? RookShift : BishopShift;
            for (Square s = 0; s < 64; ++s) {
                MagicEntry& m = magics[s];
                m.multiplier = multipliers[s];
                m.mask = sliderAttacks(slider, s, 0, true);
                Bitboard* attacks = block;
                m.attacks = attacks;
                // Extracted indices are dense: the squares' blocks follow one
                // another, each as long as the mask has subsets (a quarter of
                // the multiplied layout's memory, which the lookups share with
                // the search's tables in the processor's caches).
                block += extract ? size_t(1) << PopCount(m.mask) : size_t(entries);
                // Enumerate every subset of the mask, the full mask last.
                Bitboard subset = 0;
                do {
                    const uint64_t index =
                        extract ? extractBits(subset, m.mask) : ((subset & m.mask) * m.multiplier) >> shift;
                    attacks[index] = sliderAttacks(slider, s, subset, false);
                    subset = (subset - m.mask) & m.mask;
                } while (subset);
            }
        }
    });
}

namespace {

void buildUnitSteps(LookupTables& t) {
    for (Square a = 0; a < 64; ++a)
        for (Square b = 0; b < 64; ++b) {
            int dx = fileOf(a) - fileOf(b), dy = rankOf(a) - rankOf(b);
            t.unitStep[a][b] = {0, 0};
            if (a == b)
                continue;
            if (dx == 0 || dy == 0 || std::abs(dx) == std::abs(dy))
                t.unitStep[a][b] = {int8_t(sign(dx)), int8_t(sign(dy))};
        }
}

// Walks from square s in (dx, dy) to the edge, s excluded.
Bitboard walk(Square s, int dx, int dy) {
    Bitboard result = 0;
    int file = fileOf(s) + dx, rank = rankOf(s) + dy;
    while (onBoard(file, rank)) {
        result |= squareBit(makeSquare(file, rank));
        file += dx;
        rank += dy;
    }
    return result;
}

void buildLines(LookupTables& t) {
    for (int d = 0; d < 8; ++d)
        for (Square s = 0; s < 64; ++s)
            t.rays[d][s] = walk(s, RayDx[d], RayDy[d]);

    for (Square a = 0; a < 64; ++a)
        for (Square b = 0; b < 64; ++b) {
            t.between[a][b] = t.rayThrough[a][b] = t.beyond[a][b] = t.line[a][b] = 0;
            UnitStep u = t.unitStep[b][a];  // from a towards b
            if (u.dx == 0 && u.dy == 0)
                continue;
            Bitboard fromA = walk(a, u.dx, u.dy);
            Bitboard fromB = walk(b, u.dx, u.dy);
            t.rayThrough[a][b] = fromA;
            t.beyond[a][b] = fromB;
            t.between[a][b] = fromA & ~fromB & ~squareBit(b);
            t.line[a][b] = fromA | walk(a, -u.dx, -u.dy) | squareBit(a);
        }
}

void buildDistances(LookupTables& t) {
    for (Square a = 0; a < 64; ++a)
        for (Square b = 0; b < 64; ++b)
            t.distance[a][b] = uint32_t(std::max(std::abs(fileOf(a) - fileOf(b)), std::abs(rankOf(a) - rankOf(b))));
}

template <int N>
void buildLeaperList(int8_t (&list)[9], Bitboard& set, Square s, const Step (&steps)[N]) {
    int n = 0;
    set = 0;
    for (const Step& step : steps) {
        int file = fileOf(s) + step.dx, rank = rankOf(s) + step.dy;
        if (!onBoard(file, rank))
            continue;
        list[n++] = int8_t(makeSquare(file, rank));
        set |= squareBit(makeSquare(file, rank));
    }
    for (; n < 9; ++n)
        list[n] = -1;
}

template <int N>
void buildRayList(RayDescriptor (&list)[9], Bitboard& set, Square s, const Step (&steps)[N]) {
    int n = 0;
    set = 0;
    for (const Step& step : steps) {
        Bitboard ray = walk(s, step.dx, step.dy);
        if (!ray)
            continue;
        list[n++] = {int8_t(PopCount(ray)), int8_t(step.dy * 8 + step.dx)};
        set |= ray;
    }
    for (; n < 9; ++n)
        list[n] = {0, 0};
}

void buildSteps(LookupTables& t) {
    for (Square s = 0; s < 64; ++s) {
        int file = fileOf(s), rank = rankOf(s);
        for (int c = 0; c < 2; ++c) {
            int forward = c == White ? 1 : -1;
            int startRank = c == White ? 1 : 6;
            int8_t* list = t.pawnMoves[c][s];
            Bitboard attacks = 0, pushes = 0;
            for (int i = 0; i < 2; ++i) {
                int f = file + PawnSteps[i].dx, r = rank + PawnSteps[i].dy * forward;
                list[i] = onBoard(f, r) ? int8_t(makeSquare(f, r)) : int8_t(-1);
                if (onBoard(f, r))
                    attacks |= squareBit(makeSquare(f, r));
            }
            int n = 2;
            for (int i = 2; i < 4; ++i) {
                if (i == 3 && rank != startRank)
                    break;
                int r = rank + PawnSteps[i].dy * forward;
                if (!onBoard(file, r))
                    break;
                list[n++] = int8_t(makeSquare(file, r));
                pushes |= squareBit(makeSquare(file, r));
            }
            for (; n < 5; ++n)
                list[n] = -1;
            t.pawnAttacks[c][s] = attacks;
            t.pawnPushes[c][s] = pushes;

            // Origins of pushes to s: one rank back, and two ranks back when s
            // is on the colour's fourth rank; none on ranks 1, 8 and the start rank.
            Bitboard origins = 0;
            int relative = c == White ? rank : 7 - rank;
            if (rank != 0 && rank != 7 && rank != startRank) {
                origins |= squareBit(s - 8 * forward);
                if (relative == 3)
                    origins |= squareBit(s - 16 * forward);
            }
            t.pawnPushOrigins[c][s] = origins;
        }

        buildLeaperList(t.knightMoves[s], t.knightAttacks[s], s, KnightSteps);
        buildLeaperList(t.kingMoves[s], t.kingAttacks[s], s, QueenSteps);
        buildRayList(t.sliderRays[0][s], t.bishopEmpty[s], s, BishopSteps);
        buildRayList(t.sliderRays[1][s], t.rookEmpty[s], s, RookSteps);
        buildRayList(t.sliderRays[2][s], t.queenEmpty[s], s, QueenSteps);

        Bitboard neighbours = 0;
        for (const Step& step : RookSteps)
            if (onBoard(file + step.dx, rank + step.dy))
                neighbours |= squareBit(makeSquare(file + step.dx, rank + step.dy));
        t.orthogonalNeighbours[s] = neighbours;

        Bitboard ring = 0;
        for (int dx = -2; dx <= 2; ++dx)
            for (int dy = -2; dy <= 2; ++dy) {
                if (std::max(std::abs(dx), std::abs(dy)) != 2 || (dx == 2 && dy == 2))
                    continue;
                if (onBoard(file + dx, rank + dy))
                    ring |= squareBit(makeSquare(file + dx, rank + dy));
            }
        t.ringTwo[s] = ring;
    }

    t.seventhRank[Black] = Bitboard(0xFF) << 8;
    t.seventhRank[White] = Bitboard(0xFF) << 48;
    t.castlePath[Black * 2 + 0] = squareBit(61) | squareBit(62);
    t.castlePath[Black * 2 + 1] = squareBit(57) | squareBit(58) | squareBit(59);
    t.castlePath[White * 2 + 0] = squareBit(5) | squareBit(6);
    t.castlePath[White * 2 + 1] = squareBit(1) | squareBit(2) | squareBit(3);
}

void buildMoveDirections(LookupTables& t) {
    for (int type = 0; type < 8; ++type)
        for (int c = 0; c < 2; ++c)
            for (Square target = 0; target < 64; ++target)
                for (Square origin = 0; origin < 64; ++origin)
                    t.moveDirection[type][c][target][origin] = -1;

    for (int c = 0; c < 2; ++c) {
        int forward = c == White ? 1 : -1;
        for (Square origin = 0; origin < 64; ++origin) {
            int file = fileOf(origin), rank = rankOf(origin);
            auto set = [&](int type, int dx, int dy, int index) {
                if (onBoard(file + dx, rank + dy))
                    t.moveDirection[type][c][makeSquare(file + dx, rank + dy)][origin] = index;
            };
            for (int i = 0; i < 4; ++i)
                set(Pawn, PawnSteps[i].dx, PawnSteps[i].dy * forward, i);
            for (int i = 0; i < 8; ++i)
                set(Knight, KnightSteps[i].dx, KnightSteps[i].dy, i);
            for (int i = 0; i < 8; ++i)
                set(King, QueenSteps[i].dx, QueenSteps[i].dy, i);
            set(King, 2, 0, 8);
            set(King, -2, 0, 9);
            auto slide = [&](int type, const Step* steps, int count) {
                for (int i = 0; i < count; ++i)
                    for (int k = 1; k < 8; ++k)
                        set(type, steps[i].dx * k, steps[i].dy * k, i);
            };
            slide(Bishop, BishopSteps, 4);
            slide(Rook, RookSteps, 4);
            slide(Queen, QueenSteps, 8);
        }
    }

    for (Square a = 0; a < 64; ++a)
        for (Square b = 0; b < 64; ++b) {
            int dx = fileOf(a) - fileOf(b), dy = rankOf(a) - rankOf(b);
            t.lineKind[a][b] = a == b ? 0 : (dx == 0 || dy == 0) ? 1 : (std::abs(dx) == std::abs(dy)) ? 2 : 0;
        }
}

void buildPawnMasks(LookupTables& t) {
    for (int c = 0; c < 2; ++c)
        for (Square s = 0; s < 64; ++s) {
            int forward = c == White ? 1 : -1;
            Bitboard span = walk(s, 0, forward);
            Bitboard adjacentSpans = 0, neighbours = 0;
            for (int dx : {-1, 1}) {
                int file = fileOf(s) + dx;
                if (file < 0 || file > 7)
                    continue;
                Square side = makeSquare(file, rankOf(s));
                adjacentSpans |= walk(side, 0, forward);
                neighbours |= squareBit(side);
                if (onBoard(file, rankOf(s) - forward))
                    neighbours |= squareBit(makeSquare(file, rankOf(s) - forward));
            }
            t.frontSpan[c][s] = span;
            t.passedMask[c][s] = span | adjacentSpans;
            t.neighbourMask[c][s] = neighbours;
        }
}

}  // namespace

void buildLookupTables() {
    static std::once_flag once;
    std::call_once(once, [] {
        LookupTables& t = lookupTables;
        buildUnitSteps(t);
        buildLines(t);
        buildDistances(t);
        buildSteps(t);
        buildMoveDirections(t);
        buildPawnMasks(t);
        Tables = &t;
    });
}

void initBoardTables() {
    initSliderTables();
    buildLookupTables();
}

}  // namespace NEngine
