#include "checks/CheckModel.h"

#include <string>
#include <utility>
#include <vector>

#include "text/NumberText.h"
#include "text/Tolerance.h"
#include "engine/ParamCatalogue.h"
#include "engine/Simulation.h"
#include "platform/Dialogs.h"

namespace {

bool AnyStage(const TSimulation& Model, bool (*Condition)(const TStage&))
{
    for (int N = 1; N <= Model.NumStages(); ++N) {
        if (Condition(Model.Stage(N))) {
            return true;
        }
    }
    return false;
}

struct TWarning {
    bool (*Condition)(const TStage&);
    const char* Text;
};

const TWarning Warnings[] = {
    {[](const TStage& S) { return S.Params().ProcCapacity == 0 && S.MeanEchelonDemand() > 0; },
     "At least one stage in your model has 0 capacity.  Are you sure you want to proceed?"},
    {[](const TStage& S) { return S.Params().FixedCost > 0 && S.NumCustomers() == 0; },
     "At least one stage in your model has fixed cost > 0 but no customer.  Are you sure you want to proceed?\r\r"
     "(Fixed costs apply to orders placed TO a stage, not to orders placed BY a stage.)"},
    {[](const TStage& S) { return S.Params().ProductCost > 0 && S.NumCustomers() == 0; },
     "At least one stage in your model has product cost > 0 but no customer.  Are you sure you want to proceed?\r\r"
     "(Product costs apply to orders placed TO a stage, not to orders placed BY a stage.)"},
    {[](const TStage& S) { return FloatLess(0, S.Params().DemandMean) && FloatLess(S.Params().DemandMean, 1); },
     "At least one stage in your model has very small mean demand (< 1).  Are you sure you want to proceed?\r\r"
     "(Since all demands are rounded to the nearest integer, demands at this stage will only equal 0 or 1.)"},
    {[](const TStage& S) {
         const TStageParams& P = S.Params();
         return FloatLess(0, P.DemandMean) && FloatLess(0, P.DemandSD) && FloatEq(P.DemandBound, 0);
     },
     "At least one stage in your model has positive demand mean and SD but demand bound = 0.  Are you sure you want "
     "to proceed?\r\r(If you proceed, all random demands above the mean will be set equal to the mean.)"},
    {[](const TStage& S) {
         const TStageParams& P = S.Params();
         return P.ProductCost < 0 || P.FixedCost < 0 || P.HoldingCost < 0 || P.WIPHoldingCost < 0 ||
                P.StockoutCost < 0;
     },
     "At least one stage in your model has a negative cost.  Are you sure you want to proceed?\r\r"
     "(A negative cost acts as a reward.)"},
};

// The parameters that no run can make sense of outside their range. A file may still hold such a
// value (the readers take what is written), so the checks before a run refuse it.
struct TRange {
    int Index;
    bool Probability;  // [0,1]; otherwise at least 0
};

const TRange Ranges[] = {
    {ParamProcTime, false},  {ParamProcCapacity, false}, {ParamCommittedServiceTime, false},
    {ParamDemandSD, false},  {ParamFailureProb, true},   {ParamRecoveryProb, true},
};

// Every range refusal of stage N, in the order of Ranges.
void AddRangeRefusals(int N, const TStageParams& P, std::vector<std::string>& Refusals)
{
    for (const TRange& R : Ranges) {
        const double Value = P.GetParam(R.Index);
        if (R.Probability ? Value >= 0 && Value <= 1 : Value >= 0) {
            continue;
        }
        const std::string& Name = ParamLongNames[static_cast<std::size_t>(R.Index)];
        Refusals.push_back("Stage " + std::to_string(N) + " has " + Name + " = " + FormatGeneral(Value) + "; " +
                           Name + (R.Probability ? " must be between 0 and 1." : " cannot be negative."));
    }
}

}  // namespace

std::vector<std::string> ModelRefusals(const TSimulation& Model)
{
    if (Model.NumStages() == 0) {
        return {"You must add at least one stage or load an existing model."};
    }
    std::vector<std::string> Refusals;
    // Refused outright rather than asked: such a stage orders nothing, whatever its demand.
    for (int N = 1; N <= Model.NumStages(); ++N) {
        const TStageParams& S = Model.Stage(N).Params();
        if (S.InvPolicy == PolicyRQ && S.RQOrderQty < 1) {
            Refusals.push_back("Stage " + std::to_string(N) + " uses the (R,Q) policy with Q = " +
                               std::to_string(S.RQOrderQty) + "; Q must be at least 1.");
        }
    }
    for (int N = 1; N <= Model.NumStages(); ++N) {
        AddRangeRefusals(N, Model.Stage(N).Params(), Refusals);
    }
    return Refusals;
}

std::optional<std::string> ModelRefusal(const TSimulation& Model)
{
    std::vector<std::string> Refusals = ModelRefusals(Model);
    if (Refusals.empty()) {
        return std::nullopt;
    }
    return std::move(Refusals.front());
}

bool CheckModel(const TSimulation& Model, Dialogs& Messages)
{
    if (const std::optional<std::string> Refusal = ModelRefusal(Model)) {
        Messages.ShowError(*Refusal);
        return false;
    }
    for (const TWarning& W : Warnings) {
        if (AnyStage(Model, W.Condition) && !Messages.AskYesNo(W.Text)) {
            return false;
        }
    }
    return true;
}
