#include "reports/HistoryReport.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "engine/OneBased.h"
#include "engine/Simulation.h"
#include "text/NumberText.h"
#include "text/Padding.h"

namespace {

constexpr int Cell = 8;  // every number cell, followed by two blanks
const std::string Gap = "  ";

void AppendCell(std::string& Line, const std::string& Text)
{
    Line += PadStr(Text, Cell, 'r');
    Line += Gap;
}

void AppendIntCell(std::string& Line, int64_t Value)
{
    Line += FormatIntWidth(Value, Cell);
    Line += Gap;
}

}  // namespace

constexpr std::array<THistorySeries, 7> HistoryIntSeries{{
    {"Demand", "demand", [](const TStage& S, int32_t P) { return ElemOrZero(S.DemandHist(), P); }},
    {"DerivDem", "derived_demand", [](const TStage& S, int32_t P) { return ElemOrZero(S.DerivedDemandHist(), P); }},
    {"InvLevel", "inv_level", [](const TStage& S, int32_t P) { return ElemOrZero(S.NetInvHist(), P); }},
    {"OrderQty", "order_qty", [](const TStage& S, int32_t P) { return S.OrderQtyHist().AtOrZero(P, 0, 0); }},
    {"OnOrder", "on_order", [](const TStage& S, int32_t P) { return ElemOrZero(S.OnOrderHist(), P); }},
    {"InPrcess", "in_process", [](const TStage& S, int32_t P) { return ElemOrZero(S.InProcessHist(), P); }},
    {"Failed", "failed", [](const TStage& S, int32_t P) { return int64_t{ElemOrZero(S.FailedHist(), P) != 0}; }},
}};

std::vector<std::string> BuildHistoryText(const TSimulation& Model, const std::string& DateTime, char DecimalSep)
{
    std::vector<std::string> Series{"TotalCost"};
    for (const THistorySeries& S : HistoryIntSeries) {
        Series.emplace_back(S.Heading);
    }
    const int N = Model.NumStages();
    const int W = 10 * N - 2;
    const int32_t Periods = std::max(Model.Period(), 0);
    std::vector<std::string> Lines;
    Lines.reserve(static_cast<std::size_t>(Periods) + 7);
    Lines.push_back(DateTime);
    Lines.emplace_back();
    Lines.emplace_back();

    std::string Heading = RepeatChar(' ', 10);
    std::string Underline = RepeatChar(' ', 10);
    std::string Numbers = "  Period  ";
    for (const std::string& Name : Series) {
        Heading += PadStr(PadStr(Name, W, 'c'), W + 2, 'l');
        Underline += RepeatChar('-', W) + Gap;
        for (int K = 1; K <= N; ++K) {
            AppendIntCell(Numbers, K);
        }
    }
    Lines.push_back(std::move(Heading));
    Lines.push_back(std::move(Underline));
    Lines.push_back(std::move(Numbers));
    Lines.push_back(RepeatChar('=', 80 * N + 8));

    const std::size_t Width = static_cast<std::size_t>(80 * N + 10);
    for (int32_t P = 1; P <= Periods; ++P) {
        std::string Line;
        Line.reserve(Width);
        AppendIntCell(Line, P);
        const bool WarmUp = P <= Model.WarmUp();
        for (int K = 1; K <= N; ++K) {
            if (WarmUp) {
                AppendCell(Line, "---");
            } else {
                AppendCell(Line, FormatFixed(ElemOrZero(Model.Stage(K).TotalCostHist(), P), 2, DecimalSep));
            }
        }
        for (const THistorySeries& S : HistoryIntSeries) {
            for (int K = 1; K <= N; ++K) {
                AppendIntCell(Line, S.Value(Model.Stage(K), P));
            }
        }
        Lines.push_back(std::move(Line));
    }
    return Lines;
}

namespace {

constexpr int OrderColumn = 6;  // every column of the Order History, followed by two blanks

// The Order History's five heading lines (stages, groups, suppliers, with underlines) and its rule.
void AppendOrderHeadings(const TSimulation& Model, std::vector<std::string>& Lines)
{
    std::string StageLine = RepeatChar(' ', 8);
    std::string StageUnderline = RepeatChar(' ', 8);
    std::string GroupLine = RepeatChar(' ', 8);
    std::string GroupUnderline = RepeatChar(' ', 8);
    std::string ColumnLine = "Period" + Gap;
    int RuleWidth = 6;
    for (int J = 1; J <= Model.NumStages(); ++J) {
        const TOrderQtyHistory& H = Model.Stage(J).OrderQtyHist();
        int SupplierCount = 0;
        for (int G = 1; G <= H.NumGroups(); ++G) {
            SupplierCount += H.NumSuppliers(G);
        }
        const int BlockWidth = 8 * SupplierCount + 6;
        StageLine += PadStr("St_" + FormatIntWidth(J, 0), BlockWidth, 'c') + Gap;
        StageUnderline += RepeatChar('-', BlockWidth) + Gap;
        GroupLine += PadStr("Self", OrderColumn, 'c') + Gap;
        GroupUnderline += RepeatChar('-', OrderColumn) + Gap;
        ColumnLine += FormatIntWidth(J, OrderColumn) + Gap;
        for (int G = 1; G <= H.NumGroups(); ++G) {
            const int GroupWidth = 8 * H.NumSuppliers(G) - 2;
            GroupLine += PadStr("RM_" + FormatIntWidth(H.GroupProduct(G), 0), GroupWidth, 'c') + Gap;
            GroupUnderline += RepeatChar('-', GroupWidth) + Gap;
            for (int K = 1; K <= H.NumSuppliers(G); ++K) {
                ColumnLine += FormatIntWidth(H.GroupSuppliers(G)[static_cast<std::size_t>(K)], OrderColumn) + Gap;
            }
        }
        RuleWidth += BlockWidth + 2;
    }
    Lines.push_back(std::move(StageLine));
    Lines.push_back(std::move(StageUnderline));
    Lines.push_back(std::move(GroupLine));
    Lines.push_back(std::move(GroupUnderline));
    Lines.push_back(std::move(ColumnLine));
    Lines.push_back(RepeatChar('=', RuleWidth));
}

}  // namespace

std::vector<std::string> BuildOrderHistoryText(const TSimulation& Model, const std::string& DateTime)
{
    const int N = Model.NumStages();
    const int32_t Periods = std::max(Model.Period(), 0);
    std::vector<std::string> Lines;
    Lines.reserve(static_cast<std::size_t>(Periods) + 9);
    Lines.push_back(DateTime);
    Lines.emplace_back();
    Lines.emplace_back();
    AppendOrderHeadings(Model, Lines);
    const std::size_t LineWidth = Lines.back().size() + 2;  // the rule's
    for (int32_t P = 1; P <= Periods; ++P) {
        std::string Line;
        Line.reserve(LineWidth);
        Line += FormatIntWidth(P, OrderColumn) + Gap;
        for (int J = 1; J <= N; ++J) {
            const TOrderQtyHistory& H = Model.Stage(J).OrderQtyHist();
            Line += FormatIntWidth(H.AtOrZero(P, 0, 0), OrderColumn) + Gap;
            for (int G = 1; G <= H.NumGroups(); ++G) {
                for (int K = 1; K <= H.NumSuppliers(G); ++K) {
                    Line += FormatIntWidth(H.AtOrZero(P, G, K), OrderColumn) + Gap;
                }
            }
        }
        Lines.push_back(std::move(Line));
    }
    return Lines;
}
