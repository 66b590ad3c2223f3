#include "ui/ChartSeries.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <utility>

#include "engine/OneBased.h"
#include "engine/Simulation.h"
#include "stats/Stats.h"

const std::array<std::string, NumHistorySeries> HistorySeriesNames = {
    "Total Cost", "Demand", "Derived Demand", "Inv Level", "Order Qty", "On Order", "In Process", "Failed", "Inv Pos",
};

THistorySeriesTable::THistorySeriesTable(const TSimulation& Model)
    : NumStages_(Model.NumStages()), Periods_(std::max(Model.Period(), 0)), WarmUp_(Model.WarmUp()),
      Series_(static_cast<std::size_t>(NumStages_) * NumHistorySeries)
{
    const std::size_t N = static_cast<std::size_t>(Periods_);
    for (int K = 1; K <= NumStages_; ++K) {
        const TStage& S = Model.Stage(K);
        std::vector<double>* Out = &Series_[static_cast<std::size_t>(K - 1) * NumHistorySeries];
        for (int I = 0; I < NumHistorySeries; ++I) {
            Out[I].resize(N);
        }
        for (int32_t P = 1; P <= Periods_; ++P) {
            const std::size_t At = static_cast<std::size_t>(P - 1);
            const int64_t NetInv = ElemOrZero(S.NetInvHist(), P);
            const int64_t OnOrder = ElemOrZero(S.OnOrderHist(), P);
            Out[0][At] = ElemOrZero(S.TotalCostHist(), P);
            Out[1][At] = static_cast<double>(ElemOrZero(S.DemandHist(), P));
            Out[2][At] = static_cast<double>(ElemOrZero(S.DerivedDemandHist(), P));
            Out[3][At] = static_cast<double>(NetInv);
            Out[4][At] = static_cast<double>(S.OrderQtyHist().AtOrZero(P, 0, 0));
            Out[5][At] = static_cast<double>(OnOrder);
            Out[6][At] = static_cast<double>(ElemOrZero(S.InProcessHist(), P));
            Out[7][At] = ElemOrZero(S.FailedHist(), P) != 0 ? 1.0 : 0.0;
            Out[8][At] = static_cast<double>(NetInv + OnOrder);
        }
    }
}

const std::vector<double>& THistorySeriesTable::Series(int StageNum, int Index) const
{
    return Series_[static_cast<std::size_t>(StageNum - 1) * NumHistorySeries + static_cast<std::size_t>(Index)];
}

std::vector<TChartPoint> DecimateMinMax(const std::vector<double>& Y, double X0, double XFrom, double XTo, int Columns)
{
    std::vector<TChartPoint> Out;
    const int64_t Size = static_cast<int64_t>(Y.size());
    if (Size == 0) {
        return Out;
    }
    // The indexes inside [XFrom, XTo], then one more on each side where there is one.
    const int64_t First = std::clamp<int64_t>(static_cast<int64_t>(std::ceil(XFrom - X0)), 0, Size);
    const int64_t Last = std::clamp<int64_t>(static_cast<int64_t>(std::floor(XTo - X0)), -1, Size - 1);
    const auto Point = [&](int64_t I) { return TChartPoint{X0 + static_cast<double>(I), Y[static_cast<std::size_t>(I)]}; };
    if (First > 0) {
        Out.push_back(Point(First - 1));
    }
    const int64_t Inside = Last - First + 1;
    if (Inside <= 2 * static_cast<int64_t>(Columns)) {
        for (int64_t I = First; I <= Last; ++I) {
            Out.push_back(Point(I));
        }
    } else {
        Out.reserve(2 * static_cast<std::size_t>(Columns) + 2);
        const double Scale = Columns / (XTo - XFrom);
        int64_t I = First;
        while (I <= Last) {
            const int Column = std::min(Columns - 1, static_cast<int>((X0 + static_cast<double>(I) - XFrom) * Scale));
            int64_t Low = I;
            int64_t High = I;
            for (++I; I <= Last && std::min(Columns - 1, static_cast<int>((X0 + static_cast<double>(I) - XFrom) * Scale)) == Column; ++I) {
                const double V = Y[static_cast<std::size_t>(I)];
                if (V < Y[static_cast<std::size_t>(Low)]) {
                    Low = I;
                }
                if (V > Y[static_cast<std::size_t>(High)]) {
                    High = I;
                }
            }
            Out.push_back(Point(std::min(Low, High)));
            if (Low != High) {
                Out.push_back(Point(std::max(Low, High)));
            }
        }
    }
    if (Last + 1 < Size) {
        Out.push_back(Point(Last + 1));
    }
    return Out;
}

namespace {

// The column that reports the SEM of column C's metric and stage, or -1.
int SemColumn(const std::vector<TResultColumn>& Columns, int C)
{
    const TResultColumn& Mean = Columns[static_cast<std::size_t>(C)];
    if ((Mean.Kind != TColumnKind::System && Mean.Kind != TColumnKind::Stage) || Mean.Statistic != TStatistic::Avg) {
        return -1;
    }
    for (std::size_t K = 0; K < Columns.size(); ++K) {
        const TResultColumn& Other = Columns[K];
        // The results table's "SEM" columns read the spread of the trials' values.
        if (Other.Kind == Mean.Kind && Other.Metric == Mean.Metric && Other.Stage == Mean.Stage &&
            Other.Statistic == TStatistic::Stdev) {
            return static_cast<int>(K);
        }
    }
    return -1;
}

}  // namespace

TBatchChartShape BatchChartShape(const TBatchRequest& Request)
{
    TBatchChartShape Shape;
    Shape.BySettingNumber = Request.FromFile;
    Shape.TwoRows = !Request.FromFile && Request.Rows[0].ParamPos > 0 && Request.Rows[1].ParamPos > 0;
    return Shape;
}

void TBatchChartData::Start(TBatchChartShape Shape)
{
    Shape_ = Shape;
    Columns_.clear();
    Rows_.clear();
}

void TBatchChartData::AddSetting(int32_t I, const std::vector<TResultColumn>& Columns, const TSettingResult& Result)
{
    if (Rows_.empty()) {
        Columns_ = Columns;
    }
    TRow Row;
    Row.Setting = I;
    Row.Values.reserve(Columns_.size());
    for (const TResultColumn& C : Columns_) {
        Row.Values.push_back(ResultValue(C, Result));
    }
    Rows_.push_back(std::move(Row));
}

std::vector<int> TBatchChartData::MetricColumns() const
{
    std::vector<int> Out;
    for (std::size_t C = 0; C < Columns_.size(); ++C) {
        if (Columns_[C].Kind != TColumnKind::Param) {
            Out.push_back(static_cast<int>(C));
        }
    }
    return Out;
}

namespace {

// The first and the last parameter column, or -1 without one.
std::pair<int, int> ParamColumns(const std::vector<TResultColumn>& Columns)
{
    int First = -1;
    int Last = -1;
    for (std::size_t C = 0; C < Columns.size(); ++C) {
        if (Columns[C].Kind == TColumnKind::Param) {
            First = First < 0 ? static_cast<int>(C) : First;
            Last = static_cast<int>(C);
        }
    }
    return {First, Last};
}

}  // namespace

std::string TBatchChartData::XTitle() const
{
    const int First = ParamColumns(Columns_).first;
    if (Shape_.BySettingNumber || First < 0) {
        return "Setting";
    }
    return Columns_[static_cast<std::size_t>(First)].Heading;
}

std::vector<TBatchChartLine> TBatchChartData::Lines(int C) const
{
    const auto [First, Last] = ParamColumns(Columns_);
    const bool BySetting = Shape_.BySettingNumber || First < 0;
    const bool Split = !BySetting && Shape_.TwoRows && Last != First;
    const int Sem = SemColumn(Columns_, C);
    std::vector<TBatchChartLine> Lines;
    std::vector<double> Keys;
    for (const TRow& Row : Rows_) {
        std::size_t L = 0;
        if (Split) {
            const double Key = Row.Values[static_cast<std::size_t>(Last)];
            L = static_cast<std::size_t>(std::find(Keys.begin(), Keys.end(), Key) - Keys.begin());
            if (L == Keys.size()) {
                Keys.push_back(Key);
            }
        }
        if (L == Lines.size()) {
            TBatchChartLine Line;
            Line.Name = Columns_[static_cast<std::size_t>(C)].Heading;
            if (Split) {
                char Text[64];
                std::snprintf(Text, sizeof Text, "%.10g", Keys[L]);
                Line.Name = Columns_[static_cast<std::size_t>(Last)].Heading + " = " + Text;
            }
            Lines.push_back(std::move(Line));
        }
        TBatchChartLine& Line = Lines[L];
        const double Y = Row.Values[static_cast<std::size_t>(C)];
        Line.X.push_back(BySetting ? static_cast<double>(Row.Setting) : Row.Values[static_cast<std::size_t>(First)]);
        Line.Y.push_back(Y);
        if (Sem >= 0) {
            const double Half = 1.96 * Row.Values[static_cast<std::size_t>(Sem)];
            Line.Low.push_back(Y - Half);
            Line.High.push_back(Y + Half);
        }
    }
    return Lines;
}

TStageBars StageBars(const TSimulation& Model, int Index)
{
    TStageBars Bars;
    for (int K = 1; K <= Model.NumStages(); ++K) {
        const TStats& S = Model.Stage(K).Stats();
        Bars.Mean.push_back(S.Value(Index, TStatistic::Avg));
        Bars.Min.push_back(S.Value(Index, TStatistic::Min));
        Bars.Max.push_back(S.Value(Index, TStatistic::Max));
    }
    return Bars;
}
