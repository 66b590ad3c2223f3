#include "engine/StageMeasures.h"

#include <algorithm>
#include <vector>

#include "engine/OneBased.h"
#include "engine/Simulation.h"

const std::array<std::string, NumMeasures> MeasureNames = {
    "On Hand", "Backorders", "On Order", "In Process", "Inv Pos", "Demand",
    "Derived Demand", "Order Qty", "Failed", "Cycle Stock", "Safety Stock",
};

std::array<int64_t, NumMeasures> StageMeasures(const TSimulation& Model, int StageNum, int32_t Period)
{
    std::array<int64_t, NumMeasures> M{};
    if (StageNum < 1 || StageNum > Model.NumStages()) {
        return M;
    }
    const TStage& S = Model.Stage(StageNum);
    int32_t Shown = Period;  // the period whose demand, orders and failure are shown
    if (Period > 0) {
        const int64_t NetInv = ElemOrZero(S.NetInvHist(), Period);
        M[0] = std::max<int64_t>(NetInv, 0);
        M[1] = -std::min<int64_t>(NetInv, 0);
        M[2] = ElemOrZero(S.OnOrderHist(), Period);
        M[3] = ElemOrZero(S.InProcessHist(), Period);
    } else {
        M[0] = S.InvLevel();
        M[1] = S.Backorders();
        M[2] = S.OnOrder();
        M[3] = S.InProcess();
        Shown = Model.Period();
    }
    M[4] = M[0] + M[2] - M[1];
    M[5] = ElemOrZero(S.DemandHist(), Shown);
    M[6] = ElemOrZero(S.DerivedDemandHist(), Shown);
    M[7] = S.OrderQtyHist().AtOrZero(Shown, 0, 0);
    M[8] = S.IsFailed(Shown) ? 1 : 0;
    M[9] = S.CycleStock();
    M[10] = S.SafetyStock();
    return M;
}
