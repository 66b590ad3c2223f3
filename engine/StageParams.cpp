#include "engine/StageParams.h"

#include "engine/ParamCatalogue.h"
#include "engine/Rounding.h"

double TStageParams::GetParam(int Index) const
{
    switch (Index) {
    case ParamProcTime: return ProcTime;
    case ParamProcCapacity: return ProcCapacity;
    case ParamCommittedServiceTime: return CommittedServiceTime;
    case ParamDemandMean: return DemandMean;
    case ParamDemandSD: return DemandSD;
    case ParamDemandBound: return DemandBound;
    case ParamProductIndex: return ProductIndex;
    case ParamProductCost: return ProductCost;
    case ParamFixedCost: return FixedCost;
    case ParamHoldingCost: return HoldingCost;
    case ParamWIPHoldingCost: return WIPHoldingCost;
    case ParamStockoutCost: return StockoutCost;
    case ParamStockoutPerUnitTime: return StockoutPerUnitTime ? 1.0 : 0.0;
    case ParamFailureProb: return FailureProb;
    case ParamRecoveryProb: return RecoveryProb;
    case ParamInvPolicy: return InvPolicy;
    case ParamBaseStockLevel: return BaseStockLevel;
    case ParamRQReorderPoint: return RQReorderPoint;
    case ParamRQOrderQty: return RQOrderQty;
    case ParamSSReorderPoint: return SSReorderPoint;
    case ParamSSOrderUpTo: return SSOrderUpTo;
    case ParamOQConstant: return OQConstant;
    case ParamOQDemandCf: return OQDemandCf;
    case ParamOQForecastCf: return OQForecastCf;
    case ParamOQSmoothingConst: return OQSmoothingConst;
    case ParamOQIPCf: return OQIPCf;
    case ParamOQILCf: return OQILCf;
    case ParamOQInProcessCf: return OQInProcessCf;
    case ParamOQAboutToComplCf: return OQAboutToComplCf;
    case ParamOQUpstrIPCf: return OQUpstrIPCf;
    case ParamOQUpstrILCf: return OQUpstrILCf;
    case ParamOQUpstrConsecSOCf: return OQUpstrConsecSOCf;
    case ParamOQUpstrConsecNonSOCf: return OQUpstrConsecNonSOCf;
    case ParamOQUpstrSOCf: return OQUpstrSOCf;
    case ParamOQUpstrNonSOCf: return OQUpstrNonSOCf;
    case ParamOQDisruptCf: return OQDisruptCf;
    case ParamOQNonDisruptCf: return OQNonDisruptCf;
    case ParamOQUpstrDisruptCf: return OQUpstrDisruptCf;
    case ParamOQUpstrNonDisruptCf: return OQUpstrNonDisruptCf;
    case ParamOQOrderQtyLB: return OQOrderQtyLB;
    case ParamOQOrderQtyUB: return OQOrderQtyUB;
    case ParamOQIPLB: return OQIPLB;
    case ParamOQIPUB: return OQIPUB;
    case ParamOQReorderPoint: return OQReorderPoint;
    case ParamOQInitIL: return OQInitIL;
    default: return 0.0;
    }
}

void TStageParams::SetParam(int Index, double Value)
{
    const int32_t I = RoundToInt32(Value);
    switch (Index) {
    case ParamProcTime: ProcTime = I; break;
    case ParamProcCapacity: ProcCapacity = I; break;
    case ParamCommittedServiceTime: CommittedServiceTime = I; break;
    case ParamDemandMean: DemandMean = Value; break;
    case ParamDemandSD: DemandSD = Value; break;
    case ParamDemandBound: DemandBound = Value; break;
    case ParamProductIndex: ProductIndex = I; break;
    case ParamProductCost: ProductCost = Value; break;
    case ParamFixedCost: FixedCost = Value; break;
    case ParamHoldingCost: HoldingCost = Value; break;
    case ParamWIPHoldingCost: WIPHoldingCost = Value; break;
    case ParamStockoutCost: StockoutCost = Value; break;
    case ParamStockoutPerUnitTime: StockoutPerUnitTime = (Value == 1.0); break;
    case ParamFailureProb: FailureProb = Value; break;
    case ParamRecoveryProb: RecoveryProb = Value; break;
    case ParamInvPolicy: InvPolicy = IntToPolicy(I); break;
    case ParamBaseStockLevel: BaseStockLevel = I; break;
    case ParamRQReorderPoint: RQReorderPoint = I; break;
    case ParamRQOrderQty: RQOrderQty = I; break;
    case ParamSSReorderPoint: SSReorderPoint = I; break;
    case ParamSSOrderUpTo: SSOrderUpTo = I; break;
    case ParamOQConstant: OQConstant = Value; break;
    case ParamOQDemandCf: OQDemandCf = Value; break;
    case ParamOQForecastCf: OQForecastCf = Value; break;
    case ParamOQSmoothingConst: OQSmoothingConst = Value; break;
    case ParamOQIPCf: OQIPCf = Value; break;
    case ParamOQILCf: OQILCf = Value; break;
    case ParamOQInProcessCf: OQInProcessCf = Value; break;
    case ParamOQAboutToComplCf: OQAboutToComplCf = Value; break;
    case ParamOQUpstrIPCf: OQUpstrIPCf = Value; break;
    case ParamOQUpstrILCf: OQUpstrILCf = Value; break;
    case ParamOQUpstrConsecSOCf: OQUpstrConsecSOCf = Value; break;
    case ParamOQUpstrConsecNonSOCf: OQUpstrConsecNonSOCf = Value; break;
    case ParamOQUpstrSOCf: OQUpstrSOCf = Value; break;
    case ParamOQUpstrNonSOCf: OQUpstrNonSOCf = Value; break;
    case ParamOQDisruptCf: OQDisruptCf = Value; break;
    case ParamOQNonDisruptCf: OQNonDisruptCf = Value; break;
    case ParamOQUpstrDisruptCf: OQUpstrDisruptCf = Value; break;
    case ParamOQUpstrNonDisruptCf: OQUpstrNonDisruptCf = Value; break;
    case ParamOQOrderQtyLB: OQOrderQtyLB = I; break;
    case ParamOQOrderQtyUB: OQOrderQtyUB = I; break;
    case ParamOQIPLB: OQIPLB = I; break;
    case ParamOQIPUB: OQIPUB = I; break;
    case ParamOQReorderPoint: OQReorderPoint = I; break;
    case ParamOQInitIL: OQInitIL = I; break;
    default: break;
    }
}
