#include "batch/BatchResults.h"

#include <algorithm>
#include <cmath>

#include "batch/ParamSet.h"
#include "batch/ReportOptions.h"
#include "engine/ParamCatalogue.h"
#include "text/NumberText.h"
#include "text/Padding.h"

namespace {

const std::string Gap = "  ";
constexpr int MinWidth = 8;

// The TStats statistic each of StatisticTexts reads.
constexpr std::array<TStatistic, StatisticTexts.size()> StatisticValues = {TStatistic::Avg, TStatistic::Stdev,
                                                                            TStatistic::Min, TStatistic::Max};

// Statistic matters to the System and Stage kinds only; the others read accumulators of their own.
TResultColumn MetricColumn(TColumnKind Kind, int Metric, const std::string& Suffix, int Stage,
                           TStatistic Statistic = TStatistic::Avg)
{
    TResultColumn C;
    C.Kind = Kind;
    C.Heading = MetricLabel(Metric, Suffix, Stage, MinWidth);
    C.Width = static_cast<int>(C.Heading.size());
    C.Metric = Metric;
    C.Statistic = Statistic;
    C.Stage = Stage;
    return C;
}

std::string ParamField(const TResultColumn& C, double Value, char Sep)
{
    if (C.ParamType == TListParamType::Real || C.ParamType == TListParamType::RealOrInf) {
        if (std::isinf(Value)) {
            return PadStr(Value > 0 ? "INF" : "-INF", C.Width, 'r');
        }
        return FormatFixedWidth(Value, C.Width, 4, Sep);
    }
    return FormatIntWidth(static_cast<int64_t>(std::rint(Value)), C.Width);
}

std::string Field(const TResultColumn& C, const TSettingResult& R, char Sep)
{
    const double Value = ResultValue(C, R);
    switch (C.Kind) {
    case TColumnKind::Param:
        return ParamField(C, Value, Sep);
    case TColumnKind::System:
    case TColumnKind::TotalCostSD:
        return FormatFixedWidth(Value, C.Width, 2, Sep);
    case TColumnKind::Stage:
    case TColumnKind::OrderQtyMeanSD:
        return FormatFixedWidth(Value, C.Width, 4, Sep);
    }
    return {};
}

}  // namespace

TSettingResult::TSettingResult(int NumStages, int32_t NumParams)
    : ParamValues(static_cast<std::size_t>(NumParams) + 1),
      TrialStats(static_cast<std::size_t>(NumStages) + 1),
      OrderQtySDAcc(static_cast<std::size_t>(NumStages) + 1)
{
}

void TSettingResult::Reset()
{
    for (TStats& S : TrialStats) {
        S.Reset();
    }
    PeriodCostAcc.Reset();
    for (TMinMaxAvg& A : OrderQtySDAcc) {
        A.Reset();
    }
}

void TSettingResult::Fold(const TTrialResult& Trial)
{
    for (std::size_t S = 1; S < TrialStats.size(); ++S) {
        for (int J = 0; J < NumMetrics; ++J) {
            TrialStats[S].Get(J)->Add(Trial.StageMeans[S][static_cast<std::size_t>(J)]);
        }
        OrderQtySDAcc[S].Add(Trial.OrderQtySD[S]);
    }
    for (int J = 0; J < NumCostMetrics; ++J) {
        TrialStats[0].Get(J)->Add(SystemCost(Trial.Costs, J));
    }
    for (const double Cost : Trial.PeriodTotalCosts) {
        PeriodCostAcc.Add(Cost);
    }
}

std::vector<TResultColumn> ChooseResultColumns(const TParamSet& Set, int NumStages, const TReportOptions& Options)
{
    std::vector<TResultColumn> Columns;
    for (int32_t K = 1; K <= Set.NumColumns(); ++K) {
        const std::size_t Index = static_cast<std::size_t>(Set.ParamIndex(K));
        TResultColumn C;
        C.Kind = TColumnKind::Param;
        C.Heading = ParamShortNames[Index] + ":" + std::to_string(Set.ParamStage(K));
        C.Width = std::max(MinWidth, static_cast<int>(C.Heading.size()));
        C.Column = K;
        C.ParamType = ParamTypes[Index];
        Columns.push_back(std::move(C));
    }
    for (int J = 0; J < NumMetrics; ++J) {
        const std::string& Name = MetricNames[static_cast<std::size_t>(J)];
        if (!Options.IsMeasureChecked(Name, "ANY")) {
            continue;
        }
        if (J < NumCostMetrics) {
            for (std::size_t St = 0; St < StatisticTexts.size(); ++St) {
                if (Options.IsMeasureChecked(Name, StatisticTexts[St])) {
                    Columns.push_back(MetricColumn(TColumnKind::System, J, StatisticTexts[St], 0, StatisticValues[St]));
                }
            }
        }
        if (J == MetricTotalCost && Options.IsMeasureChecked("SD of Total Cost", "")) {
            Columns.push_back(MetricColumn(TColumnKind::TotalCostSD, J, "SD", 0));
        }
        if (!Options.IsMeasureChecked(Name, "By Stage")) {
            continue;
        }
        for (std::size_t St = 0; St < StatisticTexts.size(); ++St) {
            if (Options.IsMeasureChecked(Name, StatisticTexts[St])) {
                for (int S = 1; S <= NumStages; ++S) {
                    Columns.push_back(MetricColumn(TColumnKind::Stage, J, StatisticTexts[St], S, StatisticValues[St]));
                }
            }
        }
        if (J == MetricOrderQty && Options.IsMeasureChecked("Mean of SD of Order Qty", "")) {
            for (int S = 1; S <= NumStages; ++S) {
                Columns.push_back(MetricColumn(TColumnKind::OrderQtyMeanSD, J, "MeanSD", S));
            }
        }
    }
    return Columns;
}

std::vector<std::string> BatchHeadingLines(const TBatchHeading& Heading, const std::vector<TResultColumn>& Columns)
{
    std::string Names;
    for (const TResultColumn& C : Columns) {
        Names += PadStr(C.Heading, C.Width, 'r') + Gap;
    }
    return {Heading.DateTime,
            "Data file: " + Heading.DataFile,
            "RandSeed: " + Heading.SeedText,
            std::to_string(Heading.NumStages) + " stages",
            std::to_string(Heading.NumTrials) + " trials, " + Heading.PeriodsText + " periods per trial, " +
                Heading.WarmUpText + "-period warm-up period",
            "",
            Names};
}

double ResultValue(const TResultColumn& C, const TSettingResult& R)
{
    const std::size_t S = static_cast<std::size_t>(C.Stage);
    switch (C.Kind) {
    case TColumnKind::Param:
        return R.ParamValues[static_cast<std::size_t>(C.Column)];
    case TColumnKind::System:
        return R.TrialStats[0].Value(C.Metric, C.Statistic);
    case TColumnKind::TotalCostSD:
        return R.PeriodCostAcc.Stdev();
    case TColumnKind::Stage:
        return R.TrialStats[S].Value(C.Metric, C.Statistic);
    case TColumnKind::OrderQtyMeanSD:
        return R.OrderQtySDAcc[S].Avg();
    }
    return 0;
}

std::string BatchResultLine(const std::vector<TResultColumn>& Columns, const TSettingResult& Result, char DecimalSep)
{
    std::string Line;
    for (const TResultColumn& C : Columns) {
        Line += Field(C, Result, DecimalSep) + Gap;
    }
    return Line;
}

std::vector<std::string> BatchClosingLines()
{
    return {"", ""};
}
