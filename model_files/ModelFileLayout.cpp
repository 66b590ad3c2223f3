#include "model_files/ModelFileLayout.h"

#include <array>

#include "engine/ParamCatalogue.h"

namespace {

using K = TTokenKind;

// Version 2.0: 15 tokens after StageNum.
constexpr std::array<TStageToken, 15> Tokens20 = {{
    {ParamProcTime, K::Int},
    {ParamCommittedServiceTime, K::Int},
    {ParamDemandMean, K::Real, 2},
    {ParamDemandSD, K::Real, 4},
    {ParamDemandBound, K::Real, 2},
    {ParamHoldingCost, K::Real, 4},
    {ParamWIPHoldingCost, K::Real, 4},
    {ParamStockoutCost, K::Real, 4},
    {ParamFailureProb, K::Real, 4},
    {ParamInvPolicy, K::Policy},
    {ParamBaseStockLevel, K::Int},
    {ParamRQReorderPoint, K::Int},
    {ParamRQOrderQty, K::Int},
    {ParamSSReorderPoint, K::Int},
    {ParamSSOrderUpTo, K::Int},
}};

// Version 2.1: 19 tokens after StageNum; 2.2 appends the bounds and 14 coefficients to them.
constexpr std::array<TStageToken, 35> Tokens22 = {{
    {ParamProcTime, K::Int},
    {ParamProcCapacity, K::Int},
    {ParamCommittedServiceTime, K::Int},
    {ParamDemandMean, K::Real, 2},
    {ParamDemandSD, K::Real, 4},
    {ParamDemandBound, K::Real, 2},
    {ParamProductIndex, K::Int},
    {ParamProductCost, K::Real, 4},
    {ParamHoldingCost, K::Real, 4},
    {ParamWIPHoldingCost, K::Real, 4},
    {ParamStockoutCost, K::Real, 4},
    {ParamFailureProb, K::Real, 4},
    {ParamRecoveryProb, K::Real, 4},
    {ParamInvPolicy, K::Policy},
    {ParamBaseStockLevel, K::Int},
    {ParamRQReorderPoint, K::Int},
    {ParamRQOrderQty, K::Int},
    {ParamSSReorderPoint, K::Int},
    {ParamSSOrderUpTo, K::Int},
    // end of 2.1
    {ParamOQIPLB, K::Int},
    {ParamOQIPUB, K::Int},
    {ParamOQDemandCf, K::Real, 4},
    {ParamOQIPCf, K::Real, 4},
    {ParamOQILCf, K::Real, 4},
    {ParamOQUpstrConsecSOCf, K::Real, 4},
    {ParamOQUpstrConsecNonSOCf, K::Real, 4},
    {ParamOQUpstrSOCf, K::Real, 4},
    {ParamOQUpstrNonSOCf, K::Real, 4},
    {ParamOQAboutToComplCf, K::Real, 4},
    {ParamOQUpstrIPCf, K::Real, 4},
    {ParamOQUpstrILCf, K::Real, 4},
    {ParamOQUpstrDisruptCf, K::Real, 4},
    {ParamOQUpstrNonDisruptCf, K::Real, 4},
    {ParamOQDisruptCf, K::Real, 4},
    {ParamOQNonDisruptCf, K::Real, 4},
}};
constexpr std::size_t Tokens21Count = 19;

// Version 2.3: 40 tokens after StageNum (FixedCost after ProductCost, the bounds as reals, four
// more coefficients).
constexpr std::array<TStageToken, 40> Tokens23 = {{
    {ParamProcTime, K::Int},
    {ParamProcCapacity, K::Int},
    {ParamCommittedServiceTime, K::Int},
    {ParamDemandMean, K::Real, 2},
    {ParamDemandSD, K::Real, 4},
    {ParamDemandBound, K::Real, 2},
    {ParamProductIndex, K::Int},
    {ParamProductCost, K::Real, 4},
    {ParamFixedCost, K::Real, 4},
    {ParamHoldingCost, K::Real, 4},
    {ParamWIPHoldingCost, K::Real, 4},
    {ParamStockoutCost, K::Real, 4},
    {ParamFailureProb, K::Real, 4},
    {ParamRecoveryProb, K::Real, 4},
    {ParamInvPolicy, K::Policy},
    {ParamBaseStockLevel, K::Int},
    {ParamRQReorderPoint, K::Int},
    {ParamRQOrderQty, K::Int},
    {ParamSSReorderPoint, K::Int},
    {ParamSSOrderUpTo, K::Int},
    {ParamOQIPLB, K::IntAsReal},
    {ParamOQIPUB, K::IntAsReal},
    {ParamOQDemandCf, K::Real, 4},
    {ParamOQIPCf, K::Real, 4},
    {ParamOQILCf, K::Real, 4},
    {ParamOQUpstrConsecSOCf, K::Real, 4},
    {ParamOQUpstrConsecNonSOCf, K::Real, 4},
    {ParamOQUpstrSOCf, K::Real, 4},
    {ParamOQUpstrNonSOCf, K::Real, 4},
    {ParamOQAboutToComplCf, K::Real, 4},
    {ParamOQUpstrIPCf, K::Real, 4},
    {ParamOQUpstrILCf, K::Real, 4},
    {ParamOQUpstrDisruptCf, K::Real, 4},
    {ParamOQUpstrNonDisruptCf, K::Real, 4},
    {ParamOQDisruptCf, K::Real, 4},
    {ParamOQNonDisruptCf, K::Real, 4},
    {ParamOQInProcessCf, K::Real, 4},
    {ParamOQConstant, K::Real, 4},
    {ParamOQForecastCf, K::Real, 4},
    {ParamOQSmoothingConst, K::Real, 4},
}};

// Version 2.4: 44 tokens after StageNum, the tokens 2-45 of a stage line.
constexpr std::array<TStageToken, 44> Tokens24 = {{
    {ParamProcTime, K::Int},
    {ParamProcCapacity, K::Int},
    {ParamCommittedServiceTime, K::Int},
    {ParamDemandMean, K::Real, 2},
    {ParamDemandSD, K::Real, 4},
    {ParamDemandBound, K::Bound, 2},
    {ParamProductIndex, K::Int},
    {ParamProductCost, K::Real, 4},
    {ParamFixedCost, K::Real, 4},
    {ParamHoldingCost, K::Real, 4},
    {ParamWIPHoldingCost, K::Real, 4},
    {ParamStockoutCost, K::Real, 4},
    {ParamFailureProb, K::Real, 4},
    {ParamRecoveryProb, K::Real, 4},
    {ParamInvPolicy, K::Policy},
    {ParamBaseStockLevel, K::Int},
    {ParamRQReorderPoint, K::Int},
    {ParamRQOrderQty, K::Int},
    {ParamSSReorderPoint, K::Int},
    {ParamSSOrderUpTo, K::Int},
    {ParamOQIPLB, K::Int},
    {ParamOQIPUB, K::Int},
    {ParamOQDemandCf, K::Real, 4},
    {ParamOQIPCf, K::Real, 4},
    {ParamOQILCf, K::Real, 4},
    {ParamOQUpstrConsecSOCf, K::Real, 4},
    {ParamOQUpstrConsecNonSOCf, K::Real, 4},
    {ParamOQUpstrSOCf, K::Real, 4},
    {ParamOQUpstrNonSOCf, K::Real, 4},
    {ParamOQAboutToComplCf, K::Real, 4},
    {ParamOQUpstrIPCf, K::Real, 4},
    {ParamOQUpstrILCf, K::Real, 4},
    {ParamOQUpstrDisruptCf, K::Real, 4},
    {ParamOQUpstrNonDisruptCf, K::Real, 4},
    {ParamOQDisruptCf, K::Real, 4},
    {ParamOQNonDisruptCf, K::Real, 4},
    {ParamOQInProcessCf, K::Real, 4},
    {ParamOQConstant, K::Real, 4},
    {ParamOQForecastCf, K::Real, 4},
    {ParamOQSmoothingConst, K::Real, 4},
    {ParamOQOrderQtyLB, K::Int},
    {ParamOQOrderQtyUB, K::Int},
    {ParamOQReorderPoint, K::Int},
    {ParamOQInitIL, K::Int},
}};

}  // namespace

std::span<const TStageToken> StageTokens(TModelFileVersion Version)
{
    switch (Version) {
    case TModelFileVersion::V20:
        return Tokens20;
    case TModelFileVersion::V21:
        return std::span<const TStageToken>(Tokens22).first(Tokens21Count);
    case TModelFileVersion::V22:
        return Tokens22;
    case TModelFileVersion::V23:
        return Tokens23;
    case TModelFileVersion::V24:
        break;
    }
    return Tokens24;
}
