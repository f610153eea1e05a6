// The trap patterns of knights and bishops.
#include "eval/traps.h"

#include <cstddef>

namespace NEngine {
namespace {

constexpr Square sq(char file, int rank) { return makeSquare(file - 'a', rank - 1); }
constexpr Bitboard bits(Square a) { return squareBit(a); }
constexpr Bitboard bits(Square a, Square b) { return squareBit(a) | squareBit(b); }

struct WhitePattern {
    Square square;
    Bitboard all;
    Bitboard any;
};

// Written for a White piece; the Black patterns are the vertical mirrors.
constexpr WhitePattern KnightPatterns[] = {
    {sq('a', 8), 0, bits(sq('a', 7), sq('c', 7))},
    {sq('b', 8), bits(sq('b', 7)), 0},
    {sq('g', 8), bits(sq('g', 7)), 0},
    {sq('h', 8), 0, bits(sq('h', 7), sq('f', 7))},
    {sq('a', 7), bits(sq('a', 6), sq('b', 7)), 0},
    {sq('h', 7), bits(sq('h', 6), sq('g', 7)), 0},
};

constexpr WhitePattern BishopPatterns[] = {
    {sq('a', 8), bits(sq('b', 7)), 0},
    {sq('a', 7), bits(sq('b', 6)), 0},
    {sq('h', 7), bits(sq('g', 6)), 0},
    {sq('h', 8), bits(sq('g', 7)), 0},
    {sq('a', 6), bits(sq('b', 5), sq('c', 6)), 0},
    {sq('h', 6), bits(sq('g', 5), sq('f', 6)), 0},
    {sq('b', 8), bits(sq('c', 7)), bits(sq('b', 6), sq('a', 7))},
    {sq('g', 8), bits(sq('f', 7)), bits(sq('g', 6), sq('h', 7))},
};

template <std::size_t N>
TrapTable buildTable(const WhitePattern (&patterns)[N]) {
    TrapTable t{};
    for (const WhitePattern& p : patterns) {
        t.at[White][p.square] = {p.all, p.any, true};
        t.at[Black][p.square ^ 56] = {flipVertical(p.all), flipVertical(p.any), true};
    }
    return t;
}

TrapTable buildBishopTable() {
    TrapTable t = buildTable(BishopPatterns);
    // The Black patterns of b1 and g1 look one file further in than a mirror would.
    t.at[Black][sq('b', 1)] = {bits(sq('c', 2)), bits(sq('d', 3), sq('a', 2)), true};
    t.at[Black][sq('g', 1)] = {bits(sq('f', 2)), bits(sq('e', 3), sq('h', 2)), true};
    return t;
}

const TrapTable KnightTable = buildTable(KnightPatterns);
const TrapTable BishopTable = buildBishopTable();

}  // namespace

const TrapTable& knightTraps() { return KnightTable; }
const TrapTable& bishopTraps() { return BishopTable; }

}  // namespace NEngine
