#pragma once
#include <cstdint>
#include <limits>

#include "engine/InvPolicyType.h"
#include "text/NumberText.h"

// The 45 parameters of a stage, in catalogue order, each at its default. A plain value: a stage
// of a model keeps its own copy, which only the model writes (TSimulation::SetParam and
// SetStageParams), so that the raw-material groups and planning measures stay current.
struct TStageParams {
    int32_t ProcTime = 0;
    int32_t ProcCapacity = IntInf;
    int32_t CommittedServiceTime = 0;
    double DemandMean = 0;
    double DemandSD = 0;
    double DemandBound = std::numeric_limits<double>::infinity();
    int32_t ProductIndex = 0;  // a stage added to a model starts with its own number instead
    double ProductCost = 0;
    double FixedCost = 0;
    double HoldingCost = 0;
    double WIPHoldingCost = 0;
    double StockoutCost = 0;
    bool StockoutPerUnitTime = true;
    double FailureProb = 0;
    double RecoveryProb = 0;
    uint8_t InvPolicy = PolicyBaseStock;
    int32_t BaseStockLevel = 0;
    int32_t RQReorderPoint = 0;
    int32_t RQOrderQty = 0;
    int32_t SSReorderPoint = 0;
    int32_t SSOrderUpTo = 0;
    double OQConstant = 0;
    double OQDemandCf = 0;
    double OQForecastCf = 0;
    double OQSmoothingConst = 0;
    double OQIPCf = 0;
    double OQILCf = 0;
    double OQInProcessCf = 0;
    double OQAboutToComplCf = 0;
    double OQUpstrIPCf = 0;
    double OQUpstrILCf = 0;
    double OQUpstrConsecSOCf = 0;
    double OQUpstrConsecNonSOCf = 0;
    double OQUpstrSOCf = 0;
    double OQUpstrNonSOCf = 0;
    double OQDisruptCf = 0;
    double OQNonDisruptCf = 0;
    double OQUpstrDisruptCf = 0;
    double OQUpstrNonDisruptCf = 0;
    int32_t OQOrderQtyLB = 0;
    int32_t OQOrderQtyUB = IntInf;
    int32_t OQIPLB = 0;
    int32_t OQIPUB = IntInf;
    int32_t OQReorderPoint = IntInf;
    int32_t OQInitIL = 0;

    // --- Catalogue access ------------------------------------------------------------------
    // Integers read as their value (INF as 2000000000), the boolean as 1.0/0.0, the policy as
    // its code. Outside 0..44: 0.0.
    double GetParam(int Index) const;
    // Integers take the value rounded half to even (saturated to 32 bits); the boolean is TRUE
    // exactly when Value is 1.0; the policy takes the rounded value if 0..4, else 0. Outside
    // 0..44 nothing is written.
    void SetParam(int Index, double Value);
};
