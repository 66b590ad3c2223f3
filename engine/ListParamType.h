#pragma once

// How a parameter is typed, shown and checked (the grid, the model parameter table).
enum class TListParamType : int {
    Integer = 1,        // decimal integer
    Real = 2,           // general real notation
    Boolean = 3,        // "TRUE" / "FALSE"
    Policy = 4,         // policy code, chosen by its text
    IntegerOrInf = 6,   // integer, or "INF" for IntInf
    RealOrInf = 7,      // real, or "INF" for +infinity
};
