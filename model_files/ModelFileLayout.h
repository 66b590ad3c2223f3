#pragma once
// What the writer and the readers of model files share: the parameter tokens of a stage line in
// each version, and the limits of the token rules. Not part of the module's interface.
#include <span>
#include <string_view>

// The model file versions this program reads. Only V24 is ever written.
enum class TModelFileVersion { V20, V21, V22, V23, V24 };

// How one parameter token of a stage line is stored.
enum class TTokenKind {
    Int,        // decimal integer (INF is 2000000000)
    Real,       // fixed-point real
    Policy,     // integer policy code; a code outside 0..4 reads as 0
    Bound,      // DemandBound of the current version: 1e300 stands for INF
    IntAsReal,  // integer parameter written as a real (OQIPLB, OQIPUB of 2.3); rounds half to even
};

struct TStageToken {
    int Param;         // catalogue index (engine/Constants.h)
    TTokenKind Kind;
    int Decimals = 0;  // of a real when the current version writes it
};

// The parameter tokens of a stage line after its StageNum, in file order.
std::span<const TStageToken> StageTokens(TModelFileVersion Version);

// A token longer than this does not convert.
inline constexpr std::size_t MaxIntTokenChars = 32;
inline constexpr std::size_t MaxRealTokenChars = 64;

// The text that stands for an infinite DemandBound in the current version, and the value it reads as
// in every version.
inline constexpr std::string_view InfiniteBoundText = "1.0E+300";
inline constexpr double InfiniteBoundValue = 1e300;

// First word of the line after the last stage that carries every stage's "Per Unit Time" flag
// (one 1 or 0 per stage, in stage order). The line is written only when some stage has the flag
// FALSE, so files of models without such a stage keep the plain layout.
inline constexpr std::string_view PerUnitTimeMarker = "PerUnitTime";
