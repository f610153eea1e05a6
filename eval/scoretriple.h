// A score in three parts: the common part counts at every stage of the game,
// the middlegame and endgame parts are blended by the amount of material left.
#pragma once

namespace NEngine {

struct ScoreTriple {
    int common = 0;
    int mg = 0;
    int eg = 0;

    constexpr ScoreTriple& operator+=(const ScoreTriple& o) {
        common += o.common;
        mg += o.mg;
        eg += o.eg;
        return *this;
    }
    constexpr ScoreTriple& operator-=(const ScoreTriple& o) {
        common -= o.common;
        mg -= o.mg;
        eg -= o.eg;
        return *this;
    }
    friend constexpr ScoreTriple operator+(ScoreTriple a, const ScoreTriple& b) { return a += b; }
    friend constexpr ScoreTriple operator-(ScoreTriple a, const ScoreTriple& b) { return a -= b; }
    friend constexpr bool operator==(const ScoreTriple&, const ScoreTriple&) = default;
};

}  // namespace NEngine
