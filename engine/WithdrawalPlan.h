#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/ParamCatalogue.h"

// What every supplier of every raw-material group can fill now for one customer. The groups'
// suppliers stand one after another, group 1's first: a stage has at most MaxLinks suppliers in
// all, so a few hundred bytes hold any stage's.
struct TCanFill {
    std::array<int64_t, MaxLinks> Units;
    std::array<int, MaxLinks + 2> First;  // [g]: where group g's suppliers begin, g = 1..Groups + 1

    // Supplier K of group G, both 1-based.
    int64_t& At(int G, int K) { return Units[static_cast<std::size_t>(First[static_cast<std::size_t>(G)] + K - 1)]; }
    int64_t At(int G, int K) const
    {
        return Units[static_cast<std::size_t>(First[static_cast<std::size_t>(G)] + K - 1)];
    }
};

// Which supplier serves which of the units a stage starts in one period. Units take one unit of
// every raw material; within a group they take from the suppliers in order, each serving a piece
// of consecutive units. A group has at most one piece per supplier, so its pieces fit in the
// places of its suppliers.
struct TWithdrawalPlan {
    // Left uninitialized: a plan is made in most periods of every stage, and only NumPieces[g]
    // of the groups 1..Groups and the first NumPieces[g] pieces of such a group are ever read.
    struct TPiece {
        int K;          // supplier position in the group
        int64_t Count;  // consecutive units it serves
    };
    int64_t Units = 0;  // units started
    int Groups = 0;
    std::array<TPiece, MaxLinks> Pieces;    // group g's from First[g]
    std::array<int, MaxLinks + 2> First;    // as TCanFill's
    std::array<int, MaxLinks + 1> NumPieces;  // [1..Groups]

    // The pieces of group G (1-based), [0..NumPieces[G]).
    TPiece* Group(int G) { return Pieces.data() + First[static_cast<std::size_t>(G)]; }
    const TPiece* Group(int G) const { return Pieces.data() + First[static_cast<std::size_t>(G)]; }
};
