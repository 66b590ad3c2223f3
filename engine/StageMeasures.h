#pragma once
#include <array>
#include <cstdint>
#include <string>

class TSimulation;

inline constexpr int NumMeasures = 11;

// The rows of the measures list, in order: "On Hand", "Backorders", "On Order", "In Process",
// "Inv Pos", "Demand", "Derived Demand", "Order Qty", "Failed", "Cycle Stock", "Safety Stock".
extern const std::array<std::string, NumMeasures> MeasureNames;

// The measures of stage StageNum in period Period, in the order of MeasureNames ("Failed" as 1 or
// 0). Period 0 reads the stage's current state (and, for demand, orders and failure, the last
// simulated period when the run recorded it); a period > 0 reads the run's history, 0 where the
// history does not hold it. Cycle and safety stock are the stage's planning measures now.
// All zeros for a stage outside the model.
std::array<int64_t, NumMeasures> StageMeasures(const TSimulation& Model, int StageNum, int32_t Period);
