#include "optimise/Optimise.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <exception>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "checks/CheckModel.h"
#include "engine/ParamCatalogue.h"
#include "engine/Random.h"
#include "engine/Simulation.h"
#include "stats/Stats.h"
#include "text/NumberText.h"

namespace {

bool IsIntegerParam(int Index)
{
    const TListParamType Type = ParamTypes[static_cast<std::size_t>(Index)];
    return Type != TListParamType::Real && Type != TListParamType::RealOrInf;
}

// Grid steps from Low to High (the last grid point may lie below High), counted in double: a
// grid of more than MaxGridSteps steps gives MaxGridSteps + 1, which ProblemRefusal refuses. The
// tolerance lets a step that divides the span in decimal reach High (0.3 in steps of 0.1).
int64_t GridSteps(const TDecisionVariable& V)
{
    const double Steps = std::floor((V.High - V.Low) / V.Step + 1e-9);
    return Steps <= MaxGridSteps ? static_cast<int64_t>(Steps) : static_cast<int64_t>(MaxGridSteps) + 1;
}

// The tolerance above and rounding may put the last grid point a hair above High: it stays High.
double GridValue(const TDecisionVariable& V, int64_t Index)
{
    return std::min(V.Low + static_cast<double>(Index) * V.Step, V.High);
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
    std::vector<double> WarmUpBackorders;          // [k], when asked for
    std::vector<double> EndBackorders;             // [k], when asked for
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

// Backorders summed over the stages at the end of period T of a run that kept its history: what
// the stages owe beyond what they hold.
double OwedAt(const TSimulation& Model, int32_t T)
{
    double Owed = 0;
    for (int N = 1; N <= Model.NumStages(); ++N) {
        Owed += static_cast<double>(std::max<int64_t>(0, -Model.Stage(N).NetInvHist()[static_cast<std::size_t>(T)]));
    }
    return Owed;
}

// What RunTrials gives: each point's trials, the first Complete points with all of them.
struct TTrialRuns {
    std::vector<TPointTrials> Points;
    std::size_t Complete = 0;
};

// Runs Trials trials of each point on Jobs threads, trial K of every point from
// TrialStartState(Seed, Stream, K), until StopNow (when given) says to stop: no trial starts after
// that. Tasks are taken in order, point by point, and each one taken is finished, so the points
// before the first task not taken have all their trials. Each result lands in its own slot, so the
// numbers do not depend on which thread ran what. With Backorders, the runs keep their history and
// each trial also gives the backorders at the end of the warm-up and of the run.
TTrialRuns RunTrials(const TSimulation& Model, const TOptimiseProblem& Problem, const TOptimiseSettings& Settings,
                     const std::vector<std::vector<double>>& Points, uint32_t Stream, int32_t Trials,
                     const std::function<bool()>& StopNow = {}, bool Backorders = false)
{
    const std::size_t NumConstraints = Problem.Constraints.size();
    const std::size_t PerPoint = static_cast<std::size_t>(Trials);
    TTrialRuns Runs;
    Runs.Points.resize(Points.size());
    for (TPointTrials& R : Runs.Points) {
        R.Objective.assign(PerPoint, 0.0);
        R.Constraints.assign(NumConstraints, std::vector<double>(PerPoint, 0.0));
        if (Backorders) {
            R.WarmUpBackorders.assign(PerPoint, 0.0);
            R.EndBackorders.assign(PerPoint, 0.0);
        }
    }
    const std::size_t Tasks = Points.size() * PerPoint;
    const bool Carries = CarriesForecast(Model);
    std::atomic<std::size_t> Next{0};
    std::exception_ptr Failure;
    std::mutex FailureMutex;
    const std::size_t Threads = std::min<std::size_t>(static_cast<std::size_t>(std::max(Settings.Jobs, 1)), Tasks);
    const auto Work = [&] {
        try {
            TSimulation Copy;
            Copy.CopyModel(Model);
            Copy.SetKeepHistory(Backorders);
            Copy.SetDrawMode(Threads <= 1 ? TSimulation::TDrawMode::AheadWhenItPays
                                         : TSimulation::TDrawMode::InLine);  // the workers fill the cores
            std::size_t Applied = Points.size();
            while (!(StopNow && StopNow())) {
                const std::size_t Task = Next++;
                if (Task >= Tasks) {
                    break;
                }
                const std::size_t P = Task / PerPoint;
                const std::size_t K = Task % PerPoint;
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
                TPointTrials& R = Runs.Points[P];
                R.Objective[K] = SystemCost(Costs, Problem.Objective);
                for (std::size_t J = 0; J < NumConstraints; ++J) {
                    const TConstraint& C = Problem.Constraints[J];
                    R.Constraints[J][K] = Copy.Stage(C.Stage).Stats().Get(C.Metric)->Avg();
                }
                if (Backorders) {
                    R.WarmUpBackorders[K] = OwedAt(Copy, Settings.Run.WarmUp);
                    R.EndBackorders[K] = OwedAt(Copy, Settings.Run.NumPeriods);
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
    Runs.Complete = PerPoint == 0 ? Points.size() : std::min<std::size_t>(Next.load(), Tasks) / PerPoint;
    return Runs;
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

std::vector<double> ValuesOf(const TOptimiseProblem& Problem, const TPoint& P)
{
    std::vector<double> Values;
    for (std::size_t I = 0; I < P.size(); ++I) {
        Values.push_back(GridValue(Problem.Variables[I], P[I]));
    }
    return Values;
}

// The model checks on the points of a grid, each point put into one scratch copy of the model.
class TPointChecks {
public:
    TPointChecks(const TSimulation& Model, const TOptimiseProblem& Problem) : Problem_(Problem)
    {
        Scratch_.CopyModel(Model);
    }

    std::vector<std::string> Refusals(const TPoint& P)
    {
        ApplyValues(Scratch_, Problem_, ValuesOf(Problem_, P));
        return ModelRefusals(Scratch_);
    }

    bool Passes(const TPoint& P)
    {
        const auto [Where, New] = Passes_.emplace(P, false);
        if (New) {
            Where->second = Refusals(P).empty();
        }
        return Where->second;
    }

    // The point nearest Start that the checks pass, or nothing, with the first refusal at the
    // point that came nearest. Each move sets one variable to whichever of its candidate values
    // leaves the fewest refusals (the nearest to Start of equals), until none is left or no move
    // clears one. Each refusal concerns one or two parameters of one stage, and a move that clears
    // one never raises another, so the walk ends at a passing point whenever the grid has one.
    std::optional<TPoint> NearestPassing(const TPoint& Start, std::string& FirstRefusal)
    {
        TPoint P = Start;
        std::vector<std::string> Left = Refusals(P);
        for (bool Moved = true; !Left.empty() && Moved;) {
            Moved = false;
            for (std::size_t I = 0; I < P.size() && !Left.empty(); ++I) {
                TPoint Best = P;
                std::size_t Fewest = Left.size();
                for (const int64_t Index : Candidates(I, Start[I])) {
                    TPoint Q = P;
                    Q[I] = Index;
                    const std::size_t Count = Refusals(Q).size();
                    if (Count < Fewest || (Count == Fewest && Count < Left.size() &&
                                           std::abs(Index - Start[I]) < std::abs(Best[I] - Start[I]))) {
                        Fewest = Count;
                        Best = Q;
                    }
                }
                if (Fewest < Left.size()) {
                    P = Best;
                    Left = Refusals(P);
                    Moved = true;
                }
            }
        }
        if (!Left.empty()) {
            FirstRefusal = Left.front();
            return std::nullopt;
        }
        return P;
    }

private:
    // The grid indexes of variable I where a check's answer may change: every index of a short
    // grid, otherwise the ends, Start and the indexes beside the values 0 and 1, the edges of
    // every range the checks know.
    std::vector<int64_t> Candidates(std::size_t I, int64_t Start) const
    {
        const TDecisionVariable& V = Problem_.Variables[I];
        const int64_t Last = GridSteps(V);
        std::vector<int64_t> Indexes;
        if (Last <= 64) {
            for (int64_t K = 0; K <= Last; ++K) {
                Indexes.push_back(K);
            }
            return Indexes;
        }
        Indexes = {0, Last, Start};
        for (const double Edge : {0.0, 1.0}) {
            const double Raw = std::floor((Edge - V.Low) / V.Step);
            for (const double K : {Raw - 1, Raw, Raw + 1, Raw + 2}) {
                Indexes.push_back(static_cast<int64_t>(std::clamp(K, 0.0, static_cast<double>(Last))));
            }
        }
        std::sort(Indexes.begin(), Indexes.end());
        Indexes.erase(std::unique(Indexes.begin(), Indexes.end()), Indexes.end());
        return Indexes;
    }

    const TOptimiseProblem& Problem_;
    TSimulation Scratch_;
    std::map<TPoint, bool> Passes_;
};

// The start of a search: the model's values, snapped to the grid.
TPoint ModelPoint(const TSimulation& Model, const TOptimiseProblem& Problem)
{
    TPoint P;
    for (const TDecisionVariable& V : Problem.Variables) {
        P.push_back(GridIndex(V, Model.GetParam(V.Stages.front(), V.ParamIndex)));
    }
    return P;
}

bool AllFinite(const TEvaluation& E)
{
    return std::isfinite(E.Objective) &&
           std::all_of(E.Constraints.begin(), E.Constraints.end(), [](double C) { return std::isfinite(C); });
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
        : Model_(Model), Problem_(Problem), Settings_(Settings), Progress_(Progress), Checks_(Model, Problem)
    {
    }

    TOptimiseResult Run()
    {
        Started_ = std::chrono::steady_clock::now();
        const std::vector<TDecisionVariable>& Vars = Problem_.Variables;
        const TPoint Start = ModelPoint(Model_, Problem_);
        std::vector<int64_t> Steps(Vars.size());
        for (std::size_t I = 0; I < Vars.size(); ++I) {
            Steps[I] = std::max<int64_t>(1, GridSteps(Vars[I]) / 4);
        }
        Result_.Start = ValuesOf(Problem_, Start);
        std::string Refusal;
        const std::optional<TPoint> First = Checks_.NearestPassing(Start, Refusal);
        if (!First) {
            throw std::invalid_argument("No point of the grid passes the model checks: " + Refusal);
        }
        TPoint Current = *First;
        Evaluate({Current}, false);  // the first point whatever the clock says: a result needs one
        std::size_t Best = Memo_.at(Current);
        bool WentToBounds = false;  // the infeasible search's poll at the bounds, once per point
        Result_.Stop = TStopReason::Converged;
        for (;;) {
            if (StopRequested()) {
                break;
            }
            if (Result_.Evaluations >= Settings_.Budget) {
                Result_.Stop = TStopReason::Budget;
                break;
            }
            ++Result_.Rounds;
            // An infeasible point first reduces its violation: a service level often moves only
            // when every stage's stock rises together, or far beyond one step.
            const bool Reaching = !Entries_[Best].Eval.Feasible;
            bool Cut = false;
            std::optional<std::size_t> Move = Poll(CoordinateNeighbours(Current, Steps), Best, Cut);
            if (!Move && !Cut) {
                Move = Poll(TransferNeighbours(Current, Steps), Best, Cut);
            }
            if (!Move && !Cut && Reaching) {
                Move = Poll(TogetherNeighbours(Current, Steps), Best, Cut);
            }
            if (!Move && !Cut && Reaching && !WentToBounds) {
                WentToBounds = true;
                Move = Poll(BoundNeighbours(Current), Best, Cut);
            }
            if (Move) {
                Best = *Move;
                Current = Keys_[Best];
                WentToBounds = false;
            } else if (!Cut && !Stopped_) {
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
        }
        Result_.Best = Entries_[Best].Eval;
        FinalEstimate();
        return std::move(Result_);
    }

private:
    bool Cancelled() const { return Settings_.Cancel && Settings_.Cancel->load(); }
    bool TimeUp() const
    {
        return Settings_.TimeLimit > 0 &&
               std::chrono::duration<double>(std::chrono::steady_clock::now() - Started_).count() >=
                   Settings_.TimeLimit;
    }

    // Whether the search is to stop now, with the reason set.
    bool StopRequested()
    {
        if (Cancelled()) {
            Result_.Stop = TStopReason::Cancelled;
        } else if (TimeUp()) {
            Result_.Stop = TStopReason::Time;
        } else {
            return Stopped_;
        }
        return true;
    }

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

    // Every variable a step up, and every variable a step down (each stopped at its bound).
    std::vector<TPoint> TogetherNeighbours(const TPoint& Centre, const std::vector<int64_t>& Steps) const
    {
        std::vector<TPoint> Points;
        for (const int64_t Sign : {1, -1}) {
            TPoint P = Centre;
            for (std::size_t I = 0; I < P.size(); ++I) {
                P[I] = std::clamp(Centre[I] + Sign * Steps[I], int64_t{0}, GridSteps(Problem_.Variables[I]));
            }
            if (P != Centre) {
                Points.push_back(std::move(P));
            }
        }
        return Points;
    }

    // Each variable at its high and at its low bound, then all of them at once.
    std::vector<TPoint> BoundNeighbours(const TPoint& Centre) const
    {
        std::vector<int64_t> Wide;
        for (const TDecisionVariable& V : Problem_.Variables) {
            Wide.push_back(GridSteps(V));
        }
        std::vector<TPoint> Points = CoordinateNeighbours(Centre, Wide);
        for (TPoint& P : TogetherNeighbours(Centre, Wide)) {
            Points.push_back(std::move(P));
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

    // Evaluates the points of a poll that the memo does not hold and the model checks pass (as
    // many as the budget allows, in the poll's order, Cut telling whether some were left out) and
    // returns the one that improves most on Best, if any does.
    std::optional<std::size_t> Poll(const std::vector<TPoint>& Neighbours, std::size_t Best, bool& Cut)
    {
        std::vector<TPoint> New;
        for (const TPoint& P : Neighbours) {
            if (!Memo_.count(P) && std::find(New.begin(), New.end(), P) == New.end() && Checks_.Passes(P)) {
                New.push_back(P);
            }
        }
        const std::size_t Left = static_cast<std::size_t>(std::max(Settings_.Budget - Result_.Evaluations, 0));
        Cut = New.size() > Left;
        if (Cut) {
            New.resize(Left);
        }
        Evaluate(New, true);
        std::optional<std::size_t> Move;
        for (const TPoint& P : Neighbours) {
            const auto Found = Memo_.find(P);
            if (Found != Memo_.end() && Improves(Found->second, Best) && (!Move || Better(Found->second, *Move))) {
                Move = Found->second;
            }
        }
        return Move;
    }

    // Runs the points' trials; with Stoppable, a cancel or the time limit may end the runs between
    // two trials, and then only the points with all their trials enter the memo.
    void Evaluate(const std::vector<TPoint>& Points, bool Stoppable)
    {
        if (Points.empty()) {
            return;
        }
        std::vector<std::vector<double>> Values;
        for (const TPoint& P : Points) {
            Values.push_back(ValuesOf(Problem_, P));
        }
        const std::function<bool()> StopNow = [this] { return Cancelled() || TimeUp(); };
        TTrialRuns Runs =
            RunTrials(Model_, Problem_, Settings_, Values, 0, Settings_.Trials, Stoppable ? StopNow : nullptr);
        Stopped_ = Stopped_ || Runs.Complete < Points.size();
        for (std::size_t I = 0; I < Runs.Complete; ++I) {
            TPointTrials& Trials = Runs.Points[I];
            TMemoEntry Entry;
            Entry.Eval.Values = Values[I];
            Entry.Eval.Round = Result_.Rounds;
            Entry.Eval.Objective = Mean(Trials.Objective);
            for (std::size_t J = 0; J < Problem_.Constraints.size(); ++J) {
                const TConstraint& C = Problem_.Constraints[J];
                const double M = Mean(Trials.Constraints[J]);
                Entry.Eval.Constraints.push_back(M);
                // A constraint counts as met when the 95% confidence interval of its mean lies on
                // the bound's side: a point the search finds feasible is then seldom infeasible on
                // the fresh trials at the end.
                const double Margin = Estimate(Trials.Constraints[J]).HalfWidth;
                const double Cautious = C.AtLeast ? M - Margin : M + Margin;
                if (!Satisfies(C, Cautious)) {
                    Entry.Eval.Feasible = false;
                    Entry.Violation += std::abs(Cautious - C.Bound) / std::max(std::abs(C.Bound), 1.0);
                }
            }
            // Costs that overflow are no result: such a point ranks below every other.
            Entry.Eval.Finite = AllFinite(Entry.Eval);
            Entry.Eval.Feasible = Entry.Eval.Feasible && Entry.Eval.Finite;
            Entry.Trials = std::move(Trials);
            Memo_[Points[I]] = Entries_.size();
            Keys_.push_back(Points[I]);
            Result_.Evaluated.push_back(Entry.Eval);
            Entries_.push_back(std::move(Entry));
            ++Result_.Evaluations;
        }
    }

    // Whether moving from entry From to entry To pays: to finite costs from overflowing ones; to a
    // feasible point from an infeasible one; between feasible points, when the mean of the paired
    // differences of the objective exceeds their standard error; between infeasible ones, when
    // the violation shrinks.
    bool Improves(std::size_t To, std::size_t From) const
    {
        const TMemoEntry& A = Entries_[To];
        const TMemoEntry& B = Entries_[From];
        if (A.Eval.Finite != B.Eval.Finite) {
            return A.Eval.Finite;
        }
        if (!A.Eval.Finite) {
            return false;
        }
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
        const TTrialRuns Fresh = RunTrials(Model_, Problem_, Settings_, {Result_.Best.Values}, 1, Trials, {}, true);
        const TPointTrials& Runs = Fresh.Points[0];
        Result_.Objective = Estimate(Runs.Objective);
        Result_.FinalFeasible = true;
        for (std::size_t J = 0; J < Problem_.Constraints.size(); ++J) {
            const TEstimate E = Estimate(Runs.Constraints[J]);
            Result_.Constraints.push_back(E);
            Result_.FinalFeasible = Result_.FinalFeasible && Satisfies(Problem_.Constraints[J], E.Mean);
        }
        Result_.WarmUpBackorders = Estimate(Runs.WarmUpBackorders);
        Result_.EndBackorders = Estimate(Runs.EndBackorders);
        // Unserved demand piles up period after period; a stable system's backorders only
        // fluctuate, so a growth of at least a unit that four standard errors do not explain is
        // taken as demand left unserved.
        std::vector<double> Growth(Runs.EndBackorders.size());
        for (std::size_t K = 0; K < Growth.size(); ++K) {
            Growth[K] = Runs.EndBackorders[K] - Runs.WarmUpBackorders[K];
        }
        const double MeanGrowth = Mean(Growth);
        Result_.Unserved = MeanGrowth >= 1 && MeanGrowth > 4 * StandardError(Growth);
    }

    const TSimulation& Model_;
    const TOptimiseProblem& Problem_;
    const TOptimiseSettings& Settings_;
    const TOptimiseCallback& Progress_;
    TPointChecks Checks_;
    std::chrono::steady_clock::time_point Started_;
    bool Stopped_ = false;                // a cancel or the time limit ended a poll's runs
    std::map<TPoint, std::size_t> Memo_;  // point -> its entry
    std::vector<TMemoEntry> Entries_;
    std::vector<TPoint> Keys_;            // [entry]: its point
    TOptimiseResult Result_;
};

// A step of 1, 2 or 5 times a power of ten, the smallest such at least Step (a whole one for an
// integer parameter).
double RoundStepUp(double Step, bool Whole)
{
    const double Power = std::pow(10.0, std::floor(std::log10(Step)));
    double Round = Power * 10;
    for (const double Factor : {1.0, 2.0, 5.0}) {
        if (Power * Factor >= Step) {
            Round = Power * Factor;
            break;
        }
    }
    return Whole ? std::max(1.0, std::ceil(Round)) : Round;
}

// A grid the search cannot walk: more steps than it counts exactly, or a step lost in the
// rounding of the values it is added to. REQUIRES: finite bounds, Low <= High, Step > 0.
std::optional<std::string> GridRefusal(const TDecisionVariable& V)
{
    const double Span = V.High - V.Low;
    if (!std::isfinite(Span)) {
        return "the bounds are too far apart for any grid between them.";
    }
    const double Steps = Span / V.Step;
    if (!(Steps <= MaxGridSteps)) {
        const double Works = RoundStepUp(Span / MaxGridSteps, IsIntegerParam(V.ParamIndex));
        return "the grid has " + FormatGeneral(std::floor(Steps)) + " steps, more than the " +
               FormatGeneral(MaxGridSteps) + " the search can index; a step of " + FormatGeneral(Works) +
               " or more would work.";
    }
    const int64_t Last = GridSteps(V);
    if (Last > 0 && (GridValue(V, 1) == GridValue(V, 0) || GridValue(V, Last) == GridValue(V, Last - 1))) {
        return "the step " + FormatGeneral(V.Step) + " is too small to change values as large as the bounds.";
    }
    return std::nullopt;
}

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
        if (const std::optional<std::string> Refusal = GridRefusal(V)) {
            return Label + ": " + *Refusal;
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
    std::string Refusal;
    if (!TPointChecks(Model, Problem).NearestPassing(ModelPoint(Model, Problem), Refusal)) {
        return "No point of the grid passes the model checks: " + Refusal;
    }
    return std::nullopt;
}

std::optional<std::string> MeasuredPeriodsRefusal(const TRunSettings& Run)
{
    if (Run.WarmUp < Run.NumPeriods) {
        return std::nullopt;
    }
    return "A warm-up of " + std::to_string(Run.WarmUp) + " periods leaves none of the " +
           std::to_string(Run.NumPeriods) + " measured, and every point would cost 0: give a warm-up below the "
           "number of periods.";
}

TOptimiseResult Optimise(const TSimulation& Model, const TOptimiseProblem& Problem, const TOptimiseSettings& Settings,
                         const TOptimiseCallback& Progress)
{
    return TSearch(Model, Problem, Settings, Progress).Run();
}
