#pragma once
#include <array>
#include <string>

struct TCostTotals;

// One cost total as shown after a run: its caption ("Order:") and its value with two decimals.
struct TCostLine {
    std::string Caption;
    std::string Value;
};

// A run's Order, Holding, WIP Holding, Stockout and Total cost, in that order, as the main window
// and the command line show them; values are written with DecimalSep.
std::array<TCostLine, 5> CostTotalsLines(const TCostTotals& Costs, char DecimalSep);
