#pragma once
#include <utility>
#include <vector>

#include "batch/ReportOptions.h"

// Reporting options with exactly these marks set: (metric, item) pairs of the standard list, item
// 1..5 being Mean, SEM, Min, Max and By Stage, and positions of the other list. Every other mark
// is off, the fixed "By Stage" ones too.
inline TReportOptions CheckedOptions(const std::vector<std::pair<int, int>>& Items, const std::vector<int>& Other = {})
{
    TReportOptions O;
    TOptionMarks M;
    for (const auto& [Metric, Item] : Items) {
        M.Standard[static_cast<std::size_t>(6 * Metric + Item)] = true;
    }
    for (const int K : Other) {
        M.Other[static_cast<std::size_t>(K)] = true;
    }
    O.SetMarks(M);
    return O;
}
