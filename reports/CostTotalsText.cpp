#include "reports/CostTotalsText.h"

#include "engine/Simulation.h"
#include "text/NumberText.h"

std::array<TCostLine, 5> CostTotalsLines(const TCostTotals& Costs, char DecimalSep)
{
    const auto Line = [DecimalSep](const char* Caption, double Value) {
        return TCostLine{Caption, FormatFixed(Value, 2, DecimalSep)};
    };
    return {Line("Order:", Costs.OrderCost), Line("Holding:", Costs.HoldingCost),
            Line("WIP Holding:", Costs.WIPHoldingCost), Line("Stockout:", Costs.StockoutCost),
            Line("Total:", Costs.TotalCost)};
}
