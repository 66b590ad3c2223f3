#include "optimise/OptimiseReport.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "engine/ParamCatalogue.h"
#include "stats/Stats.h"
#include "text/NumberText.h"
#include "text/Padding.h"

namespace {

// A CSV field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& Text)
{
    if (Text.find_first_of(",\"\r\n") == std::string::npos) {
        return Text;
    }
    std::string Quoted = "\"";
    for (const char C : Text) {
        Quoted += C == '"' ? std::string("\"\"") : std::string(1, C);
    }
    return Quoted + "\"";
}

// The shortest text that reads back as Value, with a period.
std::string CsvNumber(double Value)
{
    char Buffer[64];
    const auto [End, Error] = std::to_chars(Buffer, Buffer + sizeof Buffer, Value);
    return Error == std::errc{} ? std::string(Buffer, End) : std::string("nan");
}

std::string Row(const std::vector<std::string>& Cells, const std::vector<int>& Widths)
{
    std::string Line;
    for (std::size_t I = 0; I < Cells.size(); ++I) {
        Line += I == 0 ? PadStr(Cells[I], Widths[I], 'l') : "  " + PadStr(Cells[I], Widths[I], 'r');
    }
    return Line;
}

std::string EstimateText(const TEstimate& E, char Sep)
{
    if (!std::isfinite(E.Mean)) {
        return "not finite (the costs overflow)";
    }
    return FormatFixed(E.Mean, 4, Sep) + " +- " + FormatFixed(E.HalfWidth, 4, Sep);
}

// What the search's end means for the best point.
std::string VerdictText(const TOptimiseResult& Result)
{
    if (!Result.Best.Finite) {
        return "No point evaluated has finite costs: every one overflows, so none is a result.";
    }
    if (!Result.Best.Feasible) {
        return "No point met the constraints: the best point below is the one found that violates them least.";
    }
    return Result.Stop == TStopReason::Converged
               ? "The best point is a local optimum on the grid; on a network whose cost is not convex, another "
                 "start may find a better one."
               : "The best point is the best found so far, not a local optimum.";
}

}  // namespace

std::string StopText(TStopReason Reason)
{
    switch (Reason) {
    case TStopReason::Budget:
        return "the budget of evaluations ran out before the search converged";
    case TStopReason::Time:
        return "the time limit passed before the search converged";
    case TStopReason::Cancelled:
        return "stopped by the user before the search converged";
    default:
        return "no neighbour at the finest step improves by more than its paired standard error";
    }
}

std::vector<std::string> OptimiseReportLines(const TOptimiseHeading& Heading, const TOptimiseProblem& Problem,
                                             const TOptimiseResult& Result, char Sep)
{
    const TOptimiseSettings& S = Heading.Settings;
    std::vector<std::string> Lines;
    Lines.push_back("Optimisation of " + (Heading.DataFile.empty() ? std::string("the model") : Heading.DataFile));
    Lines.push_back("Minimise: " + MetricNames[static_cast<std::size_t>(Problem.Objective)] +
                    " per period, mean over the trials");
    if (Problem.Constraints.empty()) {
        Lines.push_back("Constraints: none");
    }
    for (const TConstraint& C : Problem.Constraints) {
        Lines.push_back("Subject to: mean " + ConstraintLabel(C));
    }
    Lines.push_back("Trials: " + std::to_string(S.Run.NumPeriods) + " periods, warm-up " +
                    std::to_string(S.Run.WarmUp) + ", seed " + std::to_string(S.Run.Seed) + "; " +
                    std::to_string(S.Trials) + " per point with common random numbers, " +
                    std::to_string(S.FinalTrials) + " fresh ones for the best point");
    Lines.push_back("Search: pattern search (single and transfer moves, halving steps), " + std::to_string(Result.Evaluations) +
                    " points evaluated (budget " + std::to_string(S.Budget) + "), " + std::to_string(Result.Rounds) +
                    " rounds");
    Lines.push_back("Stopped: " + StopText(Result.Stop) + ".");
    Lines.push_back(VerdictText(Result));
    Lines.push_back("");

    const std::vector<std::string> Heads = {"Variable", "Low", "High", "Step", "Start", "Best"};
    std::vector<std::vector<std::string>> Table = {Heads};
    for (std::size_t I = 0; I < Problem.Variables.size(); ++I) {
        const TDecisionVariable& V = Problem.Variables[I];
        Table.push_back({VariableLabel(V), FormatGeneral(V.Low, Sep), FormatGeneral(V.High, Sep),
                         FormatGeneral(V.Step, Sep), FormatGeneral(Result.Start[I], Sep),
                         FormatGeneral(Result.Best.Values[I], Sep)});
    }
    std::vector<int> Widths(Heads.size(), 0);
    for (const auto& Cells : Table) {
        for (std::size_t C = 0; C < Cells.size(); ++C) {
            Widths[C] = std::max(Widths[C], static_cast<int>(Cells[C].size()));
        }
    }
    for (const auto& Cells : Table) {
        Lines.push_back(Row(Cells, Widths));
    }
    Lines.push_back("");

    Lines.push_back("Best point on " + std::to_string(S.FinalTrials) +
                    " fresh trials, mean +- 95% half-width:");
    std::vector<std::pair<std::string, std::string>> Estimates = {
        {MetricNames[static_cast<std::size_t>(Problem.Objective)], EstimateText(Result.Objective, Sep)}};
    for (std::size_t J = 0; J < Problem.Constraints.size(); ++J) {
        const TConstraint& C = Problem.Constraints[J];
        const bool Met = C.AtLeast ? Result.Constraints[J].Mean >= C.Bound : Result.Constraints[J].Mean <= C.Bound;
        Estimates.emplace_back(ConstraintLabel(C), EstimateText(Result.Constraints[J], Sep) + (Met ? "  met" : "  NOT met"));
    }
    std::size_t Width = 0;
    for (const auto& E : Estimates) {
        Width = std::max(Width, E.first.size());
    }
    for (const auto& [Label, Text] : Estimates) {
        Lines.push_back("  " + PadStr(Label + ":", static_cast<int>(Width) + 1, 'l') + "  " + Text);
    }
    Lines.push_back("Search mean of the best point: " + FormatFixed(Result.Best.Objective, 4, Sep));
    Lines.push_back("Backorders of all stages: " + EstimateText(Result.WarmUpBackorders, Sep) +
                    " at the end of the warm-up, " + EstimateText(Result.EndBackorders, Sep) + " at the end");
    if (Result.Unserved) {
        Lines.push_back("Warning: the best point leaves demand unserved; its cost does not count orders that never "
                        "ship.");
    }
    return Lines;
}

std::vector<std::string> OptimiseCsvLines(const TOptimiseProblem& Problem, const TOptimiseResult& Result)
{
    std::string Head = "Evaluation,Round";
    for (const TDecisionVariable& V : Problem.Variables) {
        Head += "," + CsvField(VariableLabel(V));
    }
    Head += "," + CsvField(MetricNames[static_cast<std::size_t>(Problem.Objective)]);
    for (const TConstraint& C : Problem.Constraints) {
        Head += "," + CsvField(MetricLabel(C.Metric, "", C.Stage, 0));
    }
    Head += ",Feasible";
    std::vector<std::string> Lines = {Head};
    for (std::size_t I = 0; I < Result.Evaluated.size(); ++I) {
        const TEvaluation& E = Result.Evaluated[I];
        std::string Line = std::to_string(I + 1) + "," + std::to_string(E.Round);
        for (const double V : E.Values) {
            Line += "," + CsvNumber(V);
        }
        Line += "," + CsvNumber(E.Objective);
        for (const double C : E.Constraints) {
            Line += "," + CsvNumber(C);
        }
        Line += E.Feasible ? ",1" : ",0";
        Lines.push_back(Line);
    }
    return Lines;
}
