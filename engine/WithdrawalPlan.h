#pragma once
#include <array>
#include <cstdint>

#include "engine/ParamCatalogue.h"

// What every supplier of every raw-material group can fill now for one customer: [g][k], 1-based.
using TCanFill = std::array<std::array<int64_t, MaxLinks + 1>, MaxLinks + 1>;

// Which supplier serves which of the units a stage starts in one period. Units take one unit of
// every raw material; within a group they take from the suppliers in order, each serving a piece
// of consecutive units. At most 25 suppliers in all, so everything is a fixed array.
struct TWithdrawalPlan {
    // Left uninitialized: a plan is made in most periods of every stage, and only NumPieces[g]
    // of the groups 1..Groups and the first NumPieces[g] entries of such a group are ever read.
    struct TPiece {
        int K;          // supplier position in the group
        int64_t Count;  // consecutive units it serves
    };
    int64_t Units = 0;  // units started
    int Groups = 0;
    std::array<std::array<TPiece, MaxLinks + 1>, MaxLinks + 1> Pieces;  // [g][0..NumPieces[g])
    std::array<int, MaxLinks + 1> NumPieces;                            // [1..Groups]
};
