#include <gtest/gtest.h>

#include "engine/Simulation.h"
#include "reports/CostTotalsText.h"

TEST(ReportsCostTotals, EachTotalUnderItsCaptionWithTwoDecimals)
{
    const TCostTotals Costs{1.006, 20, 0.5, 1234567.891, -3.25};
    const std::array<std::pair<const char*, const char*>, 5> Expected = {
        {{"Order:", "1,01"}, {"Holding:", "20,00"}, {"WIP Holding:", "0,50"}, {"Stockout:", "1234567,89"}, {"Total:", "-3,25"}}};
    const std::array<TCostLine, 5> Lines = CostTotalsLines(Costs, ',');
    for (std::size_t I = 0; I < Lines.size(); ++I) {
        EXPECT_EQ(Lines[I].Caption, Expected[I].first);
        EXPECT_EQ(Lines[I].Value, Expected[I].second);
    }
}
