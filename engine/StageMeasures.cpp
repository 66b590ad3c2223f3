#include "engine/OneBased.h"
#include "engine/StageMeasures.h"

#include <algorithm>
#include <vector>

#include "engine/Simulation.h"

const std::array<std::string, NumMeasures> MeasureNames = {
    "On Hand", "Backorders", "On Order", "In Process", "Inv Pos", "Demand",
    "Derived Demand", "Order Qty", "Failed", "Cycle Stock", "Safety Stock",
};

namespace {

template <typename T>
int64_t At(const std::vector<T>& History, int32_t Period)
{
    return Period >= 0 && static_cast<std::size_t>(Period) < History.size()
               ? static_cast<int64_t>(Elem(History, Period))
               : 0;
}

}  // namespace

std::array<int64_t, NumMeasures> StageMeasures(const TSimulation& Model, int StageNum, int32_t Period)
{
    std::array<int64_t, NumMeasures> M{};
    if (StageNum < 1 || StageNum > Model.NumStages()) {
        return M;
    }
    const TStage& S = Model.Stage(StageNum);
    int32_t Shown = Period;  // the period whose demand, orders and failure are shown
    if (Period > 0) {
        const int64_t NetInv = At(S.NetInvHist(), Period);
        M[0] = std::max<int64_t>(NetInv, 0);
        M[1] = -std::min<int64_t>(NetInv, 0);
        M[2] = At(S.OnOrderHist(), Period);
        M[3] = At(S.InProcessHist(), Period);
    } else {
        M[0] = S.InvLevel();
        M[1] = S.Backorders();
        M[2] = S.OnOrder();
        M[3] = S.InProcess();
        Shown = Model.Period();
    }
    M[4] = M[0] + M[2] - M[1];
    M[5] = At(S.DemandHist(), Shown);
    M[6] = At(S.DerivedDemandHist(), Shown);
    M[7] = S.OrderQtyHist().Holds(Shown, 0, 0) ? S.OrderQtyHist().At(Shown, 0, 0) : 0;
    M[8] = S.IsFailed(Shown) ? 1 : 0;
    M[9] = S.CycleStock();
    M[10] = S.SafetyStock();
    return M;
}
