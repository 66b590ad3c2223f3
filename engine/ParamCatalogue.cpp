#include "engine/ParamCatalogue.h"

#include <cmath>

const std::array<std::string, NumParams> ParamLongNames = {
    "Proc Time", "Proc Capac", "Com Serv Time", "Dem Mean", "Dem StdDev", "Dem Bound (#SD)",
    "Product Index", "Product Cost", "Fixed Cost", "Holding Cost", "WIP Holding Cost",
    "Stockout Cost", "Per Unit Time", "Failure Prob", "Recovery Prob", "Inv Policy",
    "Base Stock Level", "R", "Q", "s", "S", "OQ Constant", "OQ Demand Cf", "OQ Forecast Cf",
    "OQ Smoothing Const", "OQ IP Cf", "OQ IL Cf", "OQ In Process Cf", "OQ About To Compl Cf",
    "OQ Upstr IP Cf", "OQ Upstr IL Cf", "OQ Upstr Consec SO Cf", "OQ Upstr Consec NonSO Cf",
    "OQ Upstr SO Cf", "OQ Upstr NonSO Cf", "OQ Disrupt Cf", "OQ NonDisrupt Cf",
    "OQ Upstr Disrupt Cf", "OQ Upstr NonDisrupt Cf", "OQ OQ LB", "OQ OQ UB", "OQ IP LB",
    "OQ IP UB", "OQ Reorder Pt", "OQ Init IL",
};

const std::array<std::string, NumParams> ParamShortNames = {
    "ProcTime", "ProcCap", "ComServT", "DemMean", "DemSD", "DemBound", "ProdIndx", "ProdCost",
    "FixCost", "HoldCost", "WIPHCost", "StckCost", "PerTime", "FailProb", "RecvProb", "InvPol",
    "BSLevel", "R", "Q", "s", "S", "OQConst", "OQDem", "OQFcast", "OQESCnst", "OQIP", "OQIL",
    "OQInProc", "OQ#ATC", "OQUpIP", "OQUpIL", "OQUp#SO", "OQUp#NSO", "OQUpSO", "OQUpNSO",
    "OQDis", "OQNDis", "OQUpDis", "OQUpNDis", "OQOQLB", "OQOQUB", "OQIPLB", "OQIPUB", "OQReord",
    "OQInitIL",
};

namespace {
constexpr TListParamType I = TListParamType::Integer;
constexpr TListParamType R = TListParamType::Real;
constexpr TListParamType B = TListParamType::Boolean;
constexpr TListParamType P = TListParamType::Policy;
constexpr TListParamType II = TListParamType::IntegerOrInf;
constexpr TListParamType RI = TListParamType::RealOrInf;
}  // namespace

const std::array<TListParamType, NumParams> ParamTypes = {
    I,  II, I,  R,  R,  RI, I,  R,  R,  R,   // 0-9
    R,  R,  B,  R,  R,  P,  I,  I,  I,  I,   // 10-19
    I,  R,  R,  R,  R,  R,  R,  R,  R,  R,   // 20-29
    R,  R,  R,  R,  R,  R,  R,  R,  R,  I,   // 30-39
    II, I,  II, II, I,                       // 40-44
};

bool FitsParam(int Index, double Value)
{
    switch (ParamTypes[static_cast<std::size_t>(Index)]) {
    case TListParamType::Integer:
    case TListParamType::Policy:
    case TListParamType::IntegerOrInf: {
        const double R = std::rint(Value);
        return R >= -2147483648.0 && R <= 2147483647.0;
    }
    default:
        return true;
    }
}
