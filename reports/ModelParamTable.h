#pragma once
#include <string>
#include <vector>

class TSimulation;

// The table of all 45 parameters of every stage, as appended to the batch results: a heading
// line of short names, one line per stage, then two empty lines. Each column is as wide as the
// longest of its short name and its value texts; "INF" and the T/F of the boolean never widen
// it. Every field is followed by two blanks. Reals are written with DecimalSep.
std::vector<std::string> BuildModelParamTable(const TSimulation& Model, char DecimalSep);
