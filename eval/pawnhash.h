// Packing of pawn-hash entries. An entry is one 64-bit word so that it is read
// and written in a single access:
//   bits  0-31  upper 32 bits of the pawn key
//   bits 32-41  common component, signed 10 bits
//   bits 42-51  middlegame component, signed 10 bits
//   bits 52-61  endgame component, signed 10 bits
//   bit  62     entry valid
//   bit  63     left as found on every store
#pragma once

#include <cstdint>

#include "eval/scoretriple.h"

namespace NEngine {

using PawnHashEntry = uint64_t;

constexpr int PawnComponentBits = 10;
constexpr uint32_t PawnComponentMask = (1u << PawnComponentBits) - 1;
constexpr int PawnComponentMin = -(1 << (PawnComponentBits - 1));     // -512
constexpr int PawnComponentMax = (1 << (PawnComponentBits - 1)) - 1;  // 511
constexpr uint32_t PawnEntryValidBit = 1u << 30;
constexpr uint32_t PawnEntryKeptBit = 1u << 31;
constexpr int PawnHashDefaultEntries = 1 << 18;  // 262,144 entries, 2 MB

// Reads a 10-bit two's-complement field back as a signed value.
constexpr int signExtendComponent(uint32_t bits) {
    const int v = int(bits & PawnComponentMask);
    return v >= (1 << (PawnComponentBits - 1)) ? v - (1 << PawnComponentBits) : v;
}

constexpr bool fitsPawnComponent(int v) { return v >= PawnComponentMin && v <= PawnComponentMax; }
constexpr bool fitsPawnEntry(const ScoreTriple& s) {
    return fitsPawnComponent(s.common) && fitsPawnComponent(s.mg) && fitsPawnComponent(s.eg);
}

constexpr uint32_t pawnKeyWord(uint64_t key) { return uint32_t(key >> 32); }

// Stores the key word and the three components, each cut to 10 bits, and
// marks the entry valid; bit 63 of the old entry is kept.
constexpr PawnHashEntry packPawnEntry(PawnHashEntry old, uint32_t keyWord, const ScoreTriple& s) {
    const uint32_t scores = (uint32_t(s.common) & PawnComponentMask) |
                            ((uint32_t(s.mg) & PawnComponentMask) << PawnComponentBits) |
                            ((uint32_t(s.eg) & PawnComponentMask) << (2 * PawnComponentBits));
    const uint32_t oldHigh = uint32_t(old >> 32);
    const uint32_t high = (oldHigh & PawnEntryKeptBit) | PawnEntryValidBit | scores;
    return (uint64_t(high) << 32) | keyWord;
}

constexpr bool pawnEntryMatches(PawnHashEntry e, uint32_t keyWord) {
    return uint32_t(e) == keyWord && (uint32_t(e >> 32) & PawnEntryValidBit) != 0;
}

constexpr ScoreTriple unpackPawnEntry(PawnHashEntry e) {
    const uint32_t high = uint32_t(e >> 32);
    return {signExtendComponent(high), signExtendComponent(high >> PawnComponentBits),
            signExtendComponent(high >> (2 * PawnComponentBits))};
}

}  // namespace NEngine
