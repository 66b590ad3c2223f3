// libFuzzer target: any bytes as the --vary specs of orvantis-cli optimize (one a line) on a small
// chain, then a short search. What must hold: an accepted problem's grid snaps every value within
// its bounds, and every point the search evaluates, and its best one, lies within the bounds and
// passes the model checks.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/CliOptimise.h"
#include "checks/CheckModel.h"
#include "engine/Simulation.h"
#include "fuzz/ReaderChecks.h"
#include "optimise/Optimise.h"

namespace {

// Stages 1..N in a chain, stage 1 with demand, every one on base stock.
void BuildChain(TSimulation& Model, int N)
{
    for (int S = 1; S <= N; ++S) {
        Model.AddStage();
        Model.SetParam(S, ParamInvPolicy, PolicyBaseStock);
        Model.SetParam(S, ParamBaseStockLevel, 5);
        Model.SetParam(S, ParamHoldingCost, 1);
        if (S > 1) {
            Model.Link(S, S - 1);
        }
    }
    Model.SetParam(1, ParamDemandMean, 4);
    Model.SetParam(1, ParamStockoutCost, 9);
}

bool Within(const TOptimiseProblem& Problem, const std::vector<double>& Values)
{
    for (std::size_t I = 0; I < Values.size(); ++I) {
        const TDecisionVariable& V = Problem.Variables[I];
        if (!(Values[I] >= V.Low && Values[I] <= V.High)) {
            return false;
        }
    }
    return Values.size() == Problem.Variables.size();
}

const char* CheckSearch(std::string_view Bytes)
{
    const int NumStages = 1 + StagesFromFirstByte(Bytes) % 3;
    TSimulation Model;
    BuildChain(Model, NumStages);
    TOptimiseProblem Problem;
    std::string Text(Bytes.empty() ? Bytes : Bytes.substr(1));
    for (std::size_t Pos = 0; Pos < Text.size() && Problem.Variables.size() < 4;) {
        const std::size_t End = std::min(Text.find('\n', Pos), Text.size());
        TDecisionVariable Variable;
        std::string Error;
        if (ParseVarySpec(Text.substr(Pos, End - Pos), Variable, Error)) {
            Problem.Variables.push_back(Variable);
        } else if (Error.empty()) {
            return "a refused --vary spec without a message";
        }
        Pos = End + 1;
    }
    if (ProblemRefusal(Model, Problem)) {
        return nullptr;
    }
    for (const TDecisionVariable& V : Problem.Variables) {
        for (const double Value : {V.Low, V.High, (V.Low + V.High) / 2, V.Low - 1, V.High + 1}) {
            const double Snapped = SnapToGrid(V, Value);
            if (!(Snapped >= V.Low && Snapped <= V.High)) {
                return "a grid value outside its bounds";
            }
        }
    }
    TOptimiseSettings Settings;
    Settings.Run.NumPeriods = 6;
    Settings.Run.WarmUp = 1;
    Settings.Run.Seed = 1;
    Settings.Trials = 1;
    Settings.FinalTrials = 2;
    Settings.Budget = 12;
    const TOptimiseResult Result = Optimise(Model, Problem, Settings);
    TSimulation Check;
    Check.CopyModel(Model);
    for (const TEvaluation& E : Result.Evaluated) {
        if (!Within(Problem, E.Values)) {
            return "an evaluated point outside the bounds";
        }
        ApplyValues(Check, Problem, E.Values);
        if (ModelRefusal(Check)) {
            return "an evaluated point the model checks refuse";
        }
    }
    return Within(Problem, Result.Best.Values) ? nullptr : "a best point outside the bounds";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size)
{
    AbortIfBroken(CheckSearch(std::string_view(reinterpret_cast<const char*>(Data), Size)));
    return 0;
}
