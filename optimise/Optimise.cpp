#include "optimise/Optimise.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <exception>
#include <map>
#include <mutex>
#include <thread>

#include "checks/CheckModel.h"
#include "engine/ParamCatalogue.h"
#include "engine/Random.h"
#include "engine/Simulation.h"
#include "platform/Dialogs.h"
#include "stats/Stats.h"
#include "text/NumberText.h"

namespace {

bool IsIntegerParam(int Index)
{
    const TListParamType Type = ParamTypes[static_cast<std::size_t>(Index)];
    return Type != TListParamType::Real && Type != TListParamType::RealOrInf;
}

// Grid steps from Low to High (the last grid point may lie below High).
int64_t GridSteps(const TDecisionVariable& V)
{
    return static_cast<int64_t>(std::floor((V.High - V.Low) / V.Step + 1e-9));
}

double GridValue(const TDecisionVariable& V, int64_t Index)
{
    return V.Low + static_cast<double>(Index) * V.Step;
}

int64_t GridIndex(const TDecisionVariable& V, double Value)
{
    const double Raw = std::nearbyint((Value - V.Low) / V.Step);
    return std::clamp(static_cast<int64_t>(std::clamp(Raw, -1e15, 1e15)), int64_t{0}, GridSteps(V));
}

using TPoint = std::vector<int64_t>;  // grid index per variable

// What one point's trials gave, trial by trial.
struct TPointTrials {
    std::vector<double> Objective;                 // [k]
    std::vector<std::vector<double>> Constraints;  // [j][k]
};


// An "OQ" stage with a finite reorder point carries its forecast from one run into the next: its
// trials then each start from the model's forecasts, so that trial K is the same whatever ran
// before it on that thread.
bool CarriesForecast(const TSimulation& Model)
{
    for (int N = 1; N <= Model.NumStages(); ++N) {
        const TStageParams& S = Model.Stage(N).Params();
        if (S.InvPolicy == PolicyOQ && S.OQReorderPoint != IntInf) {
            return true;
        }
    }
    return false;
}

// Runs Trials trials of each point on Jobs threads, trial K of every point from
// TrialStartState(Seed, Stream, K). Each result lands in its own slot, so the numbers do not
// depend on which thread ran what.
std::vector<TPointTrials> RunTrials(const TSimulation& Model, const TOptimiseProblem& Problem,
                                    const TOptimiseSettings& Settings, const std::vector<std::vector<double>>& Points,
                                    uint32_t Stream, int32_t Trials)
{
    const std::size_t NumConstraints = Problem.Constraints.size();
    std::vector<TPointTrials> Results(Points.size());
    for (TPointTrials& R : Results) {
        R.Objective.assign(static_cast<std::size_t>(Trials), 0.0);
        R.Constraints.assign(NumConstraints, std::vector<double>(static_cast<std::size_t>(Trials), 0.0));
    }
    const std::size_t Tasks = Points.size() * static_cast<std::size_t>(Trials);
    const bool Carries = CarriesForecast(Model);
    std::atomic<std::size_t> Next{0};
    std::exception_ptr Failure;
    std::mutex FailureMutex;
    const std::size_t Threads = std::min<std::size_t>(static_cast<std::size_t>(std::max(Settings.Jobs, 1)), Tasks);
    const auto Work = [&] {
        try {
            TSilentDialogs Quiet;
            TSimulation Copy(Quiet);
            Copy.CopyModel(Model);
            Copy.SetKeepHistory(false);
            Copy.SetDrawMode(Threads <= 1 ? TSimulation::TDrawMode::AheadWhenItPays
                                         : TSimulation::TDrawMode::InLine);  // the workers fill the cores
            std::size_t Applied = Points.size();
            for (std::size_t Task = Next++; Task < Tasks; Task = Next++) {
                const std::size_t P = Task / static_cast<std::size_t>(Trials);
                const std::size_t K = Task % static_cast<std::size_t>(Trials);
                if (Carries) {
                    Copy.CopyForecasts(Model);
                }
                if (P != Applied) {
                    ApplyValues(Copy, Problem, Points[P]);
                    Applied = P;
                }
                Copy.Reset();
                Copy.SetRandSeed(TrialStartState(Settings.Run.Seed, Stream, static_cast<int32_t>(K) + 1));
                const TCostTotals Costs = Copy.RunSimulation(Settings.Run.NumPeriods, Settings.Run.WarmUp, -1);
                Results[P].Objective[K] = SystemCost(Costs, Problem.Objective);
                for (std::size_t J = 0; J < NumConstraints; ++J) {
                    const TConstraint& C = Problem.Constraints[J];
                    Results[P].Constraints[J][K] = Copy.Stage(C.Stage).Stats().Get(C.Metric)->Avg();
                }
            }
        } catch (...) {
            std::lock_guard<std::mutex> Lock(FailureMutex);
            if (!Failure) {
                Failure = std::current_exception();
            }
            Next = Tasks;
        }
    };
    if (Threads <= 1) {
        Work();
    } else {
        std::vector<std::thread> Workers;
        for (std::size_t T = 0; T < Threads; ++T) {
            Workers.emplace_back(Work);
        }
        for (std::thread& W : Workers) {
            W.join();
        }
    }
    if (Failure) {
        std::rethrow_exception(Failure);
    }
    return Results;
}

double Mean(const std::vector<double>& X)
{
    double Sum = 0;
    for (const double V : X) {
        Sum += V;
    }
    return X.empty() ? 0.0 : Sum / static_cast<double>(X.size());
}

// The standard error of the mean of X; 0 with fewer than two values.
double StandardError(const std::vector<double>& X)
{
    if (X.size() < 2) {
        return 0;
    }
    const double M = Mean(X);
    double SumSq = 0;
    for (const double V : X) {
        SumSq += (V - M) * (V - M);
    }
    const double N = static_cast<double>(X.size());
    return std::sqrt(SumSq / (N - 1) / N);
}

// The 0.975 quantile of Student's t with Df degrees of freedom.
double StudentT975(int64_t Df)
{
    static constexpr double Table[] = {12.7062, 4.3027, 3.1824, 2.7764, 2.5706, 2.4469, 2.3646, 2.3060, 2.2622,
                                       2.2281,  2.2010, 2.1788, 2.1604, 2.1448, 2.1314, 2.1199, 2.1098, 2.1009,
                                       2.0930,  2.0860, 2.0796, 2.0739, 2.0687, 2.0639, 2.0595, 2.0555, 2.0518,
                                       2.0484,  2.0452, 2.0423};
    if (Df >= 1 && Df <= 30) {
        return Table[Df - 1];
    }
    // Beyond the table, the first two terms of the Cornish-Fisher expansion (error below 1e-4).
    const double Z = 1.959964;
    const double N = static_cast<double>(std::max<int64_t>(Df, 1));
    return Z + (Z * Z * Z + Z) / (4 * N) + (5 * std::pow(Z, 5) + 16 * Z * Z * Z + 3 * Z) / (96 * N * N);
}

TEstimate Estimate(const std::vector<double>& X)
{
    return {Mean(X), X.size() < 2 ? 0.0 : StudentT975(static_cast<int64_t>(X.size()) - 1) * StandardError(X)};
}

bool Satisfies(const TConstraint& C, double Value)
{
    return C.AtLeast ? Value >= C.Bound : Value <= C.Bound;
}

// A point's means, its trials and its constraint violation.
struct TMemoEntry {
    TEvaluation Eval;
    TPointTrials Trials;
    double Violation = 0;  // sum over constraints of the shortfall relative to max(|bound|, 1)
};

class TSearch {
public:
    TSearch(const TSimulation& Model, const TOptimiseProblem& Problem, const TOptimiseSettings& Settings,
            const TOptimiseCallback& Progress)
        : Model_(Model), Problem_(Problem), Settings_(Settings), Progress_(Progress)
    {
    }

    TOptimiseResult Run()
    {
        const auto Started = std::chrono::steady_clock::now();
        const std::vector<TDecisionVariable>& Vars = Problem_.Variables;
        TPoint Current(Vars.size());
        std::vector<int64_t> Steps(Vars.size());
        for (std::size_t I = 0; I < Vars.size(); ++I) {
            const TDecisionVariable& V = Vars[I];
            Current[I] = GridIndex(V, Model_.GetParam(V.Stages.front(), V.ParamIndex));
            Steps[I] = std::max<int64_t>(1, GridSteps(V) / 4);
            Result_.Start.push_back(GridValue(V, Current[I]));
        }
        Evaluate({Current});
        std::size_t Best = Memo_.at(Current);
        Result_.Stop = TStopReason::Converged;
        for (;;) {
            if (Result_.Evaluations >= Settings_.Budget) {
                Result_.Stop = TStopReason::Budget;
                break;
            }
            ++Result_.Rounds;
            bool Cut = false;
            std::optional<std::size_t> Move = Poll(CoordinateNeighbours(Current, Steps), Best, Cut);
            if (!Move && !Cut) {
                Move = Poll(TransferNeighbours(Current, Steps), Best, Cut);
            }
            if (Move) {
                Best = *Move;
                Current = Keys_[Best];
            } else if (!Cut) {
                if (std::all_of(Steps.begin(), Steps.end(), [](int64_t H) { return H == 1; })) {
                    break;
                }
                for (int64_t& H : Steps) {
                    H = std::max<int64_t>(1, H / 2);
                }
            }
            if (Progress_) {
                TOptimiseProgress Now{Result_.Evaluations, Settings_.Budget, Result_.Rounds, &Entries_[Best].Eval};
                if (!Progress_(Now)) {
                    Result_.Stop = TStopReason::Cancelled;
                    break;
                }
            }
            const double Elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - Started).count();
            if (Settings_.TimeLimit > 0 && Elapsed >= Settings_.TimeLimit) {
                Result_.Stop = TStopReason::Time;
                break;
            }
        }
        Result_.Best = Entries_[Best].Eval;
        FinalEstimate();
        return std::move(Result_);
    }

private:
    // One step up and one step down in each variable.
    std::vector<TPoint> CoordinateNeighbours(const TPoint& Centre, const std::vector<int64_t>& Steps) const
    {
        std::vector<TPoint> Points;
        for (std::size_t I = 0; I < Centre.size(); ++I) {
            for (const int64_t Delta : {Steps[I], -Steps[I]}) {
                AddNeighbour(Centre, {{I, Delta}}, Points);
            }
        }
        return Points;
    }

    // One variable a step up and another the same number of grid steps down: stock moved from one
    // stage to another. The cost of a network is often lowest along such diagonals (an echelon's
    // level stays while its parts shift), where no single variable's move improves.
    std::vector<TPoint> TransferNeighbours(const TPoint& Centre, const std::vector<int64_t>& Steps) const
    {
        std::vector<TPoint> Points;
        for (std::size_t I = 0; I < Centre.size(); ++I) {
            for (std::size_t J = I + 1; J < Centre.size(); ++J) {
                const int64_t H = std::min(Steps[I], Steps[J]);
                AddNeighbour(Centre, {{I, H}, {J, -H}}, Points);
                AddNeighbour(Centre, {{I, -H}, {J, H}}, Points);
            }
        }
        return Points;
    }

    // Centre moved by the given grid steps, when every variable stays within its bounds.
    void AddNeighbour(const TPoint& Centre, std::initializer_list<std::pair<std::size_t, int64_t>> Moves,
                      std::vector<TPoint>& Points) const
    {
        TPoint P = Centre;
        for (const auto& [I, Delta] : Moves) {
            const int64_t Last = GridSteps(Problem_.Variables[I]);
            P[I] = Centre[I] + Delta;
            if (P[I] < 0 || P[I] > Last) {
                if (Moves.size() > 1) {
                    return;  // a transfer that would leave the box is no transfer
                }
                P[I] = std::clamp(P[I], int64_t{0}, Last);
            }
        }
        if (P != Centre) {
            Points.push_back(std::move(P));
        }
    }

    // Evaluates the points of a poll that the memo does not hold (as many as the budget allows, in
    // the poll's order, Cut telling whether some were left out) and returns the one that improves
    // most on Best, if any does.
    std::optional<std::size_t> Poll(const std::vector<TPoint>& Neighbours, std::size_t Best, bool& Cut)
    {
        std::vector<TPoint> New;
        for (const TPoint& P : Neighbours) {
            if (!Memo_.count(P) && std::find(New.begin(), New.end(), P) == New.end()) {
                New.push_back(P);
            }
        }
        const std::size_t Left = static_cast<std::size_t>(std::max(Settings_.Budget - Result_.Evaluations, 0));
        Cut = New.size() > Left;
        if (Cut) {
            New.resize(Left);
        }
        Evaluate(New);
        std::optional<std::size_t> Move;
        for (const TPoint& P : Neighbours) {
            const auto Found = Memo_.find(P);
            if (Found != Memo_.end() && Improves(Found->second, Best) && (!Move || Better(Found->second, *Move))) {
                Move = Found->second;
            }
        }
        return Move;
    }

    std::vector<double> ValuesOf(const TPoint& P) const
    {
        std::vector<double> Values;
        for (std::size_t I = 0; I < P.size(); ++I) {
            Values.push_back(GridValue(Problem_.Variables[I], P[I]));
        }
        return Values;
    }

    void Evaluate(const std::vector<TPoint>& Points)
    {
        if (Points.empty()) {
            return;
        }
        std::vector<std::vector<double>> Values;
        for (const TPoint& P : Points) {
            Values.push_back(ValuesOf(P));
        }
        std::vector<TPointTrials> Trials = RunTrials(Model_, Problem_, Settings_, Values, 0, Settings_.Trials);
        for (std::size_t I = 0; I < Points.size(); ++I) {
            TMemoEntry Entry;
            Entry.Eval.Values = Values[I];
            Entry.Eval.Round = Result_.Rounds;
            Entry.Eval.Objective = Mean(Trials[I].Objective);
            for (std::size_t J = 0; J < Problem_.Constraints.size(); ++J) {
                const TConstraint& C = Problem_.Constraints[J];
                const double M = Mean(Trials[I].Constraints[J]);
                Entry.Eval.Constraints.push_back(M);
                // A constraint counts as met when the 95% confidence interval of its mean lies on
                // the bound's side: a point the search finds feasible is then seldom infeasible on
                // the fresh trials at the end.
                const double Margin = Estimate(Trials[I].Constraints[J]).HalfWidth;
                const double Cautious = C.AtLeast ? M - Margin : M + Margin;
                if (!Satisfies(C, Cautious)) {
                    Entry.Eval.Feasible = false;
                    Entry.Violation += std::abs(Cautious - C.Bound) / std::max(std::abs(C.Bound), 1.0);
                }
            }
            Entry.Trials = std::move(Trials[I]);
            Memo_[Points[I]] = Entries_.size();
            Keys_.push_back(Points[I]);
            Result_.Evaluated.push_back(Entry.Eval);
            Entries_.push_back(std::move(Entry));
            ++Result_.Evaluations;
        }
    }

    // Whether moving from entry From to entry To pays: to a feasible point from an infeasible one;
    // between feasible points, when the mean of the paired differences of the objective exceeds
    // their standard error; between infeasible ones, when the violation shrinks.
    bool Improves(std::size_t To, std::size_t From) const
    {
        const TMemoEntry& A = Entries_[To];
        const TMemoEntry& B = Entries_[From];
        if (A.Eval.Feasible != B.Eval.Feasible) {
            return A.Eval.Feasible;
        }
        if (!A.Eval.Feasible) {
            return A.Violation < B.Violation;
        }
        std::vector<double> Gain(A.Trials.Objective.size());
        for (std::size_t K = 0; K < Gain.size(); ++K) {
            Gain[K] = B.Trials.Objective[K] - A.Trials.Objective[K];
        }
        const double MeanGain = Mean(Gain);
        return MeanGain > 0 && MeanGain > StandardError(Gain);
    }

    // Between two improving neighbours: feasible first, then the lower objective (feasible) or
    // violation (infeasible); a tie keeps the earlier one.
    bool Better(std::size_t A, std::size_t B) const
    {
        const TMemoEntry& X = Entries_[A];
        const TMemoEntry& Y = Entries_[B];
        if (X.Eval.Feasible != Y.Eval.Feasible) {
            return X.Eval.Feasible;
        }
        return X.Eval.Feasible ? X.Eval.Objective < Y.Eval.Objective : X.Violation < Y.Violation;
    }

    void FinalEstimate()
    {
        const int32_t Trials = std::max(Settings_.FinalTrials, 2);
        const std::vector<TPointTrials> Fresh =
            RunTrials(Model_, Problem_, Settings_, {Result_.Best.Values}, 1, Trials);
        Result_.Objective = Estimate(Fresh[0].Objective);
        Result_.FinalFeasible = true;
        for (std::size_t J = 0; J < Problem_.Constraints.size(); ++J) {
            const TEstimate E = Estimate(Fresh[0].Constraints[J]);
            Result_.Constraints.push_back(E);
            Result_.FinalFeasible = Result_.FinalFeasible && Satisfies(Problem_.Constraints[J], E.Mean);
        }
    }

    const TSimulation& Model_;
    const TOptimiseProblem& Problem_;
    const TOptimiseSettings& Settings_;
    const TOptimiseCallback& Progress_;
    std::map<TPoint, std::size_t> Memo_;  // point -> its entry
    std::vector<TMemoEntry> Entries_;
    std::vector<TPoint> Keys_;            // [entry]: its point
    TOptimiseResult Result_;
};

std::string RemoveBlanksLower(const std::string& Text)
{
    std::string Out;
    for (const char C : Text) {
        if (C != ' ') {
            Out += static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
        }
    }
    return Out;
}

}  // namespace

uint32_t TrialStartState(int32_t Seed, uint32_t Stream, int32_t K)
{
    uint64_t X = (static_cast<uint64_t>(static_cast<uint32_t>(Seed)) << 32) | static_cast<uint32_t>(K);
    X ^= static_cast<uint64_t>(Stream) * 0x9E3779B97F4A7C15ull;
    X += 0x9E3779B97F4A7C15ull;
    X = (X ^ (X >> 30)) * 0xBF58476D1CE4E5B9ull;
    X = (X ^ (X >> 27)) * 0x94D049BB133111EBull;
    X ^= X >> 31;
    return static_cast<uint32_t>(X >> 32);
}

bool ParseStageList(const std::string& Text, std::vector<int>& Stages)
{
    Stages.clear();
    for (std::size_t Pos = 0; Pos <= Text.size();) {
        const std::size_t Comma = std::min(Text.find(',', Pos), Text.size());
        const std::string Part = Text.substr(Pos, Comma - Pos);
        const std::size_t Dash = Part.find('-');
        int32_t First = 0;
        int32_t Last = 0;
        if (!TryParseInt32(Part.substr(0, Dash), First) ||
            !TryParseInt32(Dash == std::string::npos ? Part : Part.substr(Dash + 1), Last) || Last < First ||
            Last - First > MaxStages) {
            return false;
        }
        for (int32_t S = First; S <= Last; ++S) {
            Stages.push_back(S);
        }
        Pos = Comma + 1;
    }
    return !Stages.empty();
}

int32_t SeedFromClock()
{
    TRandom Clock;
    Clock.Seed(0);
    return static_cast<int32_t>(std::max<uint32_t>(Clock.State() & 0x7fffffffu, 1u));
}

double SnapToGrid(const TDecisionVariable& Variable, double Value)
{
    return GridValue(Variable, GridIndex(Variable, Value));
}

void ApplyValues(TSimulation& Model, const TOptimiseProblem& Problem, const std::vector<double>& Values)
{
    for (std::size_t I = 0; I < Problem.Variables.size() && I < Values.size(); ++I) {
        for (const int Stage : Problem.Variables[I].Stages) {
            Model.SetParam(Stage, Problem.Variables[I].ParamIndex, Values[I]);
        }
    }
}

std::string VariableLabel(const TDecisionVariable& Variable)
{
    std::string Label = ParamShortNames[static_cast<std::size_t>(Variable.ParamIndex)] + "@";
    const std::vector<int>& S = Variable.Stages;
    bool Run = S.size() > 1;
    for (std::size_t I = 1; I < S.size(); ++I) {
        Run = Run && S[I] == S[I - 1] + 1;
    }
    if (Run) {
        return Label + std::to_string(S.front()) + "-" + std::to_string(S.back());
    }
    for (std::size_t I = 0; I < S.size(); ++I) {
        Label += (I > 0 ? "," : "") + std::to_string(S[I]);
    }
    return Label;
}

std::string ConstraintLabel(const TConstraint& Constraint)
{
    return MetricLabel(Constraint.Metric, "", Constraint.Stage, 0) + (Constraint.AtLeast ? " >= " : " <= ") +
           FormatGeneral(Constraint.Bound);
}

int FindMetric(const std::string& Name)
{
    const std::string Wanted = RemoveBlanksLower(Name);
    for (int M = 0; M < NumMetrics; ++M) {
        if (RemoveBlanksLower(MetricNames[static_cast<std::size_t>(M)]) == Wanted) {
            return M;
        }
    }
    return -1;
}

std::optional<std::string> ProblemRefusal(const TSimulation& Model, const TOptimiseProblem& Problem)
{
    if (Problem.Variables.empty()) {
        return "Nothing to vary: give at least one variable.";
    }
    std::map<std::pair<int, int>, std::string> Seen;
    for (const TDecisionVariable& V : Problem.Variables) {
        if (V.ParamIndex < 0 || V.ParamIndex >= NumParams || V.Stages.empty()) {
            return "A variable needs a parameter and at least one stage.";
        }
        const std::string Label = VariableLabel(V);
        for (const int S : V.Stages) {
            if (S < 1 || S > Model.NumStages()) {
                return Label + ": stage " + std::to_string(S) + " is not a stage of the model (1 to " +
                       std::to_string(Model.NumStages()) + ").";
            }
            const auto [Where, New] = Seen.emplace(std::pair{V.ParamIndex, S}, Label);
            if (!New) {
                return Label + ": " + Where->second + " already varies " +
                       ParamShortNames[static_cast<std::size_t>(V.ParamIndex)] + " of stage " + std::to_string(S) +
                       "; a parameter of a stage can have one value only.";
            }
        }
        if (!std::isfinite(V.Low) || !std::isfinite(V.High) || !std::isfinite(V.Step)) {
            return Label + ": the bounds and the step must be finite numbers.";
        }
        if (V.Low > V.High) {
            return Label + ": the low bound " + FormatGeneral(V.Low) + " is above the high bound " +
                   FormatGeneral(V.High) + ".";
        }
        if (V.Step <= 0) {
            return Label + ": the step must be above 0.";
        }
        if (IsIntegerParam(V.ParamIndex)) {
            if (V.Step != std::floor(V.Step) || V.Low != std::floor(V.Low) || V.High != std::floor(V.High)) {
                return Label + ": an integer parameter takes whole bounds and a whole step.";
            }
            if (!FitsParam(V.ParamIndex, V.Low) || !FitsParam(V.ParamIndex, V.High)) {
                return Label + ": the bounds are beyond the range of an integer parameter.";
            }
        }
        if (GridSteps(V) > 1'000'000'000'000LL) {
            return Label + ": the step is too small for the bounds.";
        }
    }
    if (Problem.Objective < MetricTotalCost || Problem.Objective > MetricStockoutCost) {
        return "The objective must be a system cost metric: Total Cost, Order Cost, Holding Cost, WIP Holding Cost "
               "or Stockout Cost.";
    }
    for (const TConstraint& C : Problem.Constraints) {
        if (C.Metric < 0 || C.Metric >= NumMetrics) {
            return "A constraint needs a metric of the batch reports.";
        }
        const std::string Label = ConstraintLabel(C);
        if (C.Stage < 1 || C.Stage > Model.NumStages()) {
            return Label + ": stage " + std::to_string(C.Stage) + " is not a stage of the model (1 to " +
                   std::to_string(Model.NumStages()) + ").";
        }
        if (!std::isfinite(C.Bound)) {
            return Label + ": the bound must be a finite number.";
        }
    }
    // Each refusal of the model checks concerns one parameter's range, so the two corners of the
    // box cover every point inside it.
    TSilentDialogs Quiet;
    TSimulation Scratch(Quiet);
    Scratch.CopyModel(Model);
    for (const bool High : {false, true}) {
        std::vector<double> Corner;
        for (const TDecisionVariable& V : Problem.Variables) {
            Corner.push_back(GridValue(V, High ? GridSteps(V) : 0));
        }
        ApplyValues(Scratch, Problem, Corner);
        if (const std::optional<std::string> Refusal = ModelRefusal(Scratch)) {
            return std::string("With every variable at its ") + (High ? "high" : "low") + " bound: " + *Refusal;
        }
    }
    return std::nullopt;
}

TOptimiseResult Optimise(const TSimulation& Model, const TOptimiseProblem& Problem, const TOptimiseSettings& Settings,
                         const TOptimiseCallback& Progress)
{
    return TSearch(Model, Problem, Settings, Progress).Run();
}
