#include "reports/StatsReport.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "text/NumberText.h"
#include "text/Padding.h"
#include "engine/Simulation.h"
#include "stats/Stats.h"

namespace {

enum class TSummary { Total, Average };

struct TBlock {
    const char* Title;
    TMetric Metric;
    int ExtremeDecimals;  // of Min and Max: 3 for costs, 0 for quantities and indicators
    TSummary Summary;
};

constexpr std::array<TBlock, 16> Blocks{{
    {"On Hand", MetricInvLevel, 0, TSummary::Total},
    {"Backorders", MetricBackorders, 0, TSummary::Total},
    {"On Order", MetricOnOrder, 0, TSummary::Total},
    {"In Process", MetricInProcess, 0, TSummary::Total},
    {"Order Cost", MetricOrderCost, 3, TSummary::Total},
    {"Holding Cost", MetricHoldingCost, 3, TSummary::Total},
    {"WIP Holding Cost", MetricWIPHoldingCost, 3, TSummary::Total},
    {"Stockout Cost", MetricStockoutCost, 3, TSummary::Total},
    {"Total Cost", MetricTotalCost, 3, TSummary::Total},
    {"Demand", MetricDemand, 0, TSummary::Total},
    {"Derived Demand", MetricDerivedDemand, 0, TSummary::Total},
    {"All From Stock (Type 1 SL)", MetricType1SL, 0, TSummary::Average},
    {"From Stock (Type 2 SL)", MetricFillRate, 0, TSummary::Average},
    {"Within CST", MetricWithinCST, 0, TSummary::Average},
    {"Order Quantity", MetricOrderQty, 0, TSummary::Total},
    {"Failed", MetricFailed, 0, TSummary::Average},
}};

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

std::string SummaryLine(const TSimulation& Model, TMetric Metric, TSummary Summary, char Sep)
{
    if (Summary == TSummary::Total) {
        double Total = 0;
        for (int K = 1; K <= Model.NumStages(); ++K) {
            Total += Model.Stage(K).Stats().Get(Metric)->Avg();
        }
        return PadStr("  TOTAL", LabelWidth, 'l') + FormatFixedWidth(Total, ValueWidth, 3, Sep);
    }
    // Weighted by observations, so a stage without any adds nothing to the average.
    double Weighted = 0;
    double Count = 0;
    for (int K = 1; K <= Model.NumStages(); ++K) {
        const TMinMaxAvg& M = *Model.Stage(K).Stats().Get(Metric);
        Weighted += M.Avg() * static_cast<double>(M.Count());
        Count += static_cast<double>(M.Count());
    }
    const double Average = Count > 0 ? Weighted / Count : 0.0;
    return PadStr("  AVERAGE", LabelWidth, 'l') + FormatFixedWidth(Average, ValueWidth, 3, Sep);
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

std::vector<std::string> BuildStatsReport(const TSimulation& Model, const std::string& DateTime, char DecimalSep)
{
    std::vector<std::string> Lines;
    Lines.push_back(DateTime);
    Lines.emplace_back();
    Lines.emplace_back();
    Lines.push_back("Metric              " "       Avg" "       Std" "       Min" "       Max" "       Obs");
    Lines.push_back(RepeatChar('=', 70));
    Lines.emplace_back();
    for (const TBlock& Block : Blocks) {
        Lines.emplace_back(Block.Title);
        for (int K = 1; K <= Model.NumStages(); ++K) {
            Lines.push_back(StageLine(K, *Model.Stage(K).Stats().Get(Block.Metric), Block.ExtremeDecimals, DecimalSep));
        }
        Lines.push_back(SummaryLine(Model, Block.Metric, Block.Summary, DecimalSep));
        Lines.emplace_back();
    }
    Lines.push_back(RepeatChar('=', 70));
    Lines.emplace_back();
    Lines.emplace_back();
    AppendServiceTimeTable(Model, DecimalSep, Lines);
    return Lines;
}
