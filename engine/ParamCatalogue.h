#pragma once
#include <array>
#include <string>

#include "engine/ListParamType.h"

inline constexpr int MaxStages = 25;   // stages in a model
inline constexpr int MaxLinks = 25;    // suppliers, and customers, of one stage
inline constexpr int NumParams = 45;   // parameters of a stage, indexes 0..44
inline constexpr int MaxPeriods = 9999;

// Catalogue indexes of the parameters.
enum TParamIndex : int {
    ParamProcTime = 0,
    ParamProcCapacity = 1,
    ParamCommittedServiceTime = 2,
    ParamDemandMean = 3,
    ParamDemandSD = 4,
    ParamDemandBound = 5,
    ParamProductIndex = 6,
    ParamProductCost = 7,
    ParamFixedCost = 8,
    ParamHoldingCost = 9,
    ParamWIPHoldingCost = 10,
    ParamStockoutCost = 11,
    ParamStockoutPerUnitTime = 12,
    ParamFailureProb = 13,
    ParamRecoveryProb = 14,
    ParamInvPolicy = 15,
    ParamBaseStockLevel = 16,
    ParamRQReorderPoint = 17,
    ParamRQOrderQty = 18,
    ParamSSReorderPoint = 19,
    ParamSSOrderUpTo = 20,
    ParamOQConstant = 21,
    ParamOQDemandCf = 22,
    ParamOQForecastCf = 23,
    ParamOQSmoothingConst = 24,
    ParamOQIPCf = 25,
    ParamOQILCf = 26,
    ParamOQInProcessCf = 27,
    ParamOQAboutToComplCf = 28,
    ParamOQUpstrIPCf = 29,
    ParamOQUpstrILCf = 30,
    ParamOQUpstrConsecSOCf = 31,
    ParamOQUpstrConsecNonSOCf = 32,
    ParamOQUpstrSOCf = 33,
    ParamOQUpstrNonSOCf = 34,
    ParamOQDisruptCf = 35,
    ParamOQNonDisruptCf = 36,
    ParamOQUpstrDisruptCf = 37,
    ParamOQUpstrNonDisruptCf = 38,
    ParamOQOrderQtyLB = 39,
    ParamOQOrderQtyUB = 40,
    ParamOQIPLB = 41,
    ParamOQIPUB = 42,
    ParamOQReorderPoint = 43,
    ParamOQInitIL = 44,
};

// Long names (grid, reports), short names (column headings, keys) and type codes, by index.
extern const std::array<std::string, NumParams> ParamLongNames;
extern const std::array<std::string, NumParams> ParamShortNames;
extern const std::array<TListParamType, NumParams> ParamTypes;

// Whether Value, rounded as a stage rounds it, fits parameter Index: any value fits a real
// parameter, an integer parameter takes what its 32-bit storage holds. The one range check of
// every batch definition, sweep rows and values files alike.
bool FitsParam(int Index, double Value);
