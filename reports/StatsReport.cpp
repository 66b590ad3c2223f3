#include "reports/StatsReport.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "text/NumberText.h"
#include "text/Padding.h"
#include "engine/Simulation.h"
#include "stats/Stats.h"

constexpr std::array<TStatsBlock, 16> StatsBlocks{{
    {"On Hand", MetricInvLevel, 0, TStatsSummary::Total},
    {"Backorders", MetricBackorders, 0, TStatsSummary::Total},
    {"On Order", MetricOnOrder, 0, TStatsSummary::Total},
    {"In Process", MetricInProcess, 0, TStatsSummary::Total},
    {"Order Cost", MetricOrderCost, 3, TStatsSummary::Total},
    {"Holding Cost", MetricHoldingCost, 3, TStatsSummary::Total},
    {"WIP Holding Cost", MetricWIPHoldingCost, 3, TStatsSummary::Total},
    {"Stockout Cost", MetricStockoutCost, 3, TStatsSummary::Total},
    {"Total Cost", MetricTotalCost, 3, TStatsSummary::Total},
    {"Demand", MetricDemand, 0, TStatsSummary::Total},
    {"Derived Demand", MetricDerivedDemand, 0, TStatsSummary::Total},
    {"All From Stock (Type 1 SL)", MetricType1SL, 0, TStatsSummary::Average},
    {"From Stock (Type 2 SL)", MetricFillRate, 0, TStatsSummary::Average},
    {"Within CST", MetricWithinCST, 0, TStatsSummary::Average},
    {"Order Quantity", MetricOrderQty, 0, TStatsSummary::Total},
    {"Failed", MetricFailed, 0, TStatsSummary::Average},
}};

namespace {

constexpr int LabelWidth = 20;
constexpr int ValueWidth = 10;

// Decimal digits of a non-negative count (1 for 0).
int DigitCount(int64_t Value)
{
    int Digits = 1;
    while (Value >= 10) {
        Value /= 10;
        ++Digits;
    }
    return Digits;
}

std::string StageLine(int StageNum, const TMinMaxAvg& M, int ExtremeDecimals, char Sep)
{
    std::string Line = PadStr("  Stage " + FormatIntWidth(StageNum, 0), LabelWidth, 'l');
    Line += FormatFixedWidth(M.Avg(), ValueWidth, 3, Sep);
    Line += FormatFixedWidth(M.Stdev(), ValueWidth, 3, Sep);
    Line += FormatFixedWidth(M.Min(), ValueWidth, ExtremeDecimals, Sep);
    Line += FormatFixedWidth(M.Max(), ValueWidth, ExtremeDecimals, Sep);
    Line += FormatIntWidth(M.Count(), ValueWidth);
    return Line;
}

std::string SummaryLine(const TSimulation& Model, const TStatsBlock& Block, char Sep)
{
    const char* Label = Block.Summary == TStatsSummary::Total ? "  TOTAL" : "  AVERAGE";
    return PadStr(Label, LabelWidth, 'l') + FormatFixedWidth(StatsSummaryValue(Model, Block), ValueWidth, 3, Sep);
}

void AppendServiceTimeTable(const TSimulation& Model, char Sep, std::vector<std::string>& Lines)
{
    const int N = Model.NumStages();
    const int D = DigitCount(N);
    const int W2 = D + 7;
    int64_t LargestCount = 0;
    int64_t Rows = 0;
    for (int K = 1; K <= N; ++K) {
        const THistogram& H = Model.Stage(K).Stats().Histogram();
        LargestCount = std::max(LargestCount, H.MaxCount());
        Rows = std::max(Rows, H.Used());
    }
    const int W1 = std::max(D + 7, DigitCount(LargestCount) + 1);
    const std::string Gap = "  ";

    Lines.push_back(RepeatChar(' ', 14) + PadStr("#", N * W1, 'c') + Gap + PadStr("%", N * W2, 'c') + Gap +
                    PadStr("Cumul %", N * W2, 'c'));
    Lines.push_back(RepeatChar(' ', 14) + RepeatChar('-', N * W1) + Gap + RepeatChar('-', N * W2) + Gap + RepeatChar('-', N * W2));

    // Every stage heading is W2 wide, in the count group too: when a huge count makes the count
    // columns wider (W1 > W2), this line stays shorter than the others.
    std::string Headings;
    for (int K = 1; K <= N; ++K) {
        Headings += " Stage_" + FormatIntWidth(K, D);
    }
    Lines.push_back("Service Time  " + Headings + Gap + Headings + Gap + Headings);
    Lines.push_back(RepeatChar('=', 18 + N * (W1 + 2 * W2)));

    std::vector<int64_t> Running(static_cast<std::size_t>(N) + 1, 0);
    for (int64_t J = 0; J < Rows; ++J) {
        std::string Counts;
        std::string Percents;
        std::string Cumulative;
        for (int K = 1; K <= N; ++K) {
            const THistogram& H = Model.Stage(K).Stats().Histogram();
            int64_t& Run = Running[static_cast<std::size_t>(K)];
            Run += H.Freq(J);
            Counts += FormatIntWidth(H.Freq(J), W1);
            Percents += FormatFixedWidth(H.Fraction(J) * 100, W2, 1, Sep);
            const double Cumul = H.Total() > 0 ? static_cast<double>(Run) * 100 / static_cast<double>(H.Total()) : 0.0;
            Cumulative += FormatFixedWidth(Cumul, W2, 1, Sep);
        }
        Lines.push_back(FormatIntWidth(J, 12) + Gap + Counts + Gap + Percents + Gap + Cumulative);
    }
}

}  // namespace

double StatsSummaryValue(const TSimulation& Model, const TStatsBlock& Block)
{
    if (Block.Summary == TStatsSummary::Total) {
        double Total = 0;
        for (int K = 1; K <= Model.NumStages(); ++K) {
            Total += Model.Stage(K).Stats().Get(Block.Metric)->Avg();
        }
        return Total;
    }
    // Weighted by observations, so a stage without any adds nothing to the average.
    double Weighted = 0;
    double Count = 0;
    for (int K = 1; K <= Model.NumStages(); ++K) {
        const TMinMaxAvg& M = *Model.Stage(K).Stats().Get(Block.Metric);
        Weighted += M.Avg() * static_cast<double>(M.Count());
        Count += static_cast<double>(M.Count());
    }
    return Count > 0 ? Weighted / Count : 0.0;
}

std::vector<std::string> BuildStatsReport(const TSimulation& Model, const std::string& DateTime, char DecimalSep)
{
    std::vector<std::string> Lines;
    Lines.push_back(DateTime);
    Lines.emplace_back();
    Lines.emplace_back();
    Lines.push_back("Metric              " "       Avg" "       Std" "       Min" "       Max" "       Obs");
    Lines.push_back(RepeatChar('=', 70));
    Lines.emplace_back();
    for (const TStatsBlock& Block : StatsBlocks) {
        Lines.emplace_back(Block.Title);
        for (int K = 1; K <= Model.NumStages(); ++K) {
            Lines.push_back(StageLine(K, *Model.Stage(K).Stats().Get(Block.Metric), Block.ExtremeDecimals, DecimalSep));
        }
        Lines.push_back(SummaryLine(Model, Block, DecimalSep));
        Lines.emplace_back();
    }
    Lines.push_back(RepeatChar('=', 70));
    Lines.emplace_back();
    Lines.emplace_back();
    AppendServiceTimeTable(Model, DecimalSep, Lines);
    return Lines;
}
