#pragma once
#include <array>
#include <optional>
#include <string>

#include "engine/ParamCatalogue.h"
#include "engine/InvPolicyType.h"

class TStage;

// The parameter grid's texts, by the catalogue's type of each parameter: what a stage value looks
// like on screen, which entries are accepted, and the value an accepted entry stands for. Numbers
// use DecimalSep, the user's decimal separator. The grid only wires its cells to these.

// The pick list of the policy row, in order: the policies' names. Code 0 has no entry: it is shown
// as "None".
inline const std::array<std::string, 4>& PolicyPickList = PolicyNames;

// The text shown for parameter Index (0..44) of S: a decimal integer; the general real notation;
// "TRUE"/"FALSE"; the policy's name ("None" for 0); "INF" for the integer 2000000000 or +infinity.
std::string ParamShownText(const TStage& S, int Index, char DecimalSep);

// The text of parameter Index's row before any stage is shown: "0", "TRUE", "BS", "1" or "INF" by
// its type.
std::string ParamDefaultText(int Index);

// Checks an entry for parameter Index: nothing when Text is valid, otherwise the user's message
// (also for an index outside the catalogue). "INF" is accepted only as exactly these three
// capitals; integers are decimal and signed 32-bit; reals may have a fraction after DecimalSep and
// an exponent. Proc Time, Proc Capac, Com Serv Time and Dem StdDev must be at least 0, Failure
// Prob and Recovery Prob in [0,1].
std::optional<std::string> CheckParamEntry(int Index, const std::string& Text, char DecimalSep);

// The value an entry accepted by CheckParamEntry stands for, as TSimulation::SetParam takes it:
// integers as themselves ("INF" as 2000000000), reals as themselves ("INF" as +infinity),
// booleans 1.0 for "TRUE"/"T" (any case) or a non-zero number and 0.0 for "FALSE"/"F" or zero,
// the policy row by its names (an integer 1..4 as that code; any other text 0, "None").
// False, with Value untouched, for an entry that CheckParamEntry refuses.
bool ParamEntryValue(int Index, const std::string& Text, char DecimalSep, double& Value);
