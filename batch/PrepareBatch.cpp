#include "batch/PrepareBatch.h"

#include <map>
#include <utility>

#include "batch/BatchRun.h"
#include "batch/ReportOptions.h"
#include "checks/CheckedRun.h"
#include "engine/ParamCatalogue.h"
#include "text/NumberText.h"

TBatchPreparation PrepareBatch(const TSimulation& Model, const TBatchRequest& Request,
                               const TReportOptions& Options, Dialogs& Messages)
{
    TBatchPreparation Result;
    const auto Refuse = [&Result](TBatchRefusal Why, std::string Message) {
        Result.Refusal = Why;
        Result.Message = std::move(Message);
        return Result;
    };
    TRunSettings Settings;
    if (!CheckRunAllowed(Model, Request.Settings, Messages, Settings)) {
        return Refuse(TBatchRefusal::Checks, "");
    }
    TParamSetResult Set = Request.FromFile
                              ? LoadParamSet(Request.ValuesFile, Model.NumStages())
                              : BuildSweepSet(Request.Rows[0], Request.Rows[1], Request.DecimalSep, Model.NumStages());
    if (!Set.Set) {
        return Refuse(TBatchRefusal::Definition, Set.Message);
    }
    if (std::optional<std::string> Refusal = SettingsRefusal(Model, *Set.Set)) {
        return Refuse(TBatchRefusal::Definition, std::move(*Refusal));
    }
    int32_t Trials = 0;
    if (!TryParseInt32(Request.Trials, Trials)) {
        return Refuse(TBatchRefusal::Trials, "'" + Request.Trials + "' is not a valid integer value");
    }
    Result.FileWarning = std::move(Set.Warning);
    Result.Warnings = DuplicateColumnWarnings(*Set.Set, Request.FromFile);
    if (!Options.ChoosesAnyMeasure()) {
        Result.Warnings.push_back("No measure is chosen in the batch reporting options: the results show only the "
                                  "settings' values.");
    }
    Result.Batch = TPreparedBatch{Settings, Trials, std::move(*Set.Set)};
    return Result;
}

std::vector<std::string> DuplicateColumnWarnings(const TParamSet& Set, bool FromFile)
{
    std::vector<std::string> Warnings;
    std::map<std::pair<int32_t, int32_t>, std::pair<int32_t, int>> Columns;  // (parameter, stage): first column, count
    for (int32_t K = 1; K <= Set.NumColumns(); ++K) {
        const std::pair<int32_t, int32_t> Pair{Set.ParamIndex(K), Set.ParamStage(K)};
        auto& [First, Count] = Columns.try_emplace(Pair, K, 0).first->second;
        if (++Count != 2) {
            continue;  // each pair is named once, at its second column
        }
        const std::string What = ParamShortNames[static_cast<std::size_t>(Pair.first)] + " of stage " +
                                 std::to_string(Pair.second);
        Warnings.push_back(FromFile ? "columns " + std::to_string(First) + " and " + std::to_string(K) +
                                          " of the values file both set " + What + "; the later column's value is used."
                                    : "rows 1 and 2 both set " + What + "; row 2's value is used.");
    }
    return Warnings;
}
