#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "batch/BatchResults.h"
#include "batch/PrepareBatch.h"

class TSimulation;

// The numbers behind the charts, without Qt: what a history, batch or statistics chart plots and
// how a long series is thinned to what a plot of a given width can show.

// --- History ---------------------------------------------------------------------------------

// The series a history chart offers, in order: the History text's eight ("Inv Level" is the net
// inventory, on hand less backorders), then the inventory position (net inventory plus on order).
// They are named in full, as the main window's measures and the statistics metrics are, where the
// History text's narrow columns abbreviate ("DerivDem").
inline constexpr int NumHistorySeries = 9;
extern const std::array<std::string, NumHistorySeries> HistorySeriesNames;

// Every chartable series of every stage of a run, copied when the run is shown, so that the chart
// keeps showing that run while the model changes.
class THistorySeriesTable {
public:
    THistorySeriesTable() = default;
    // Periods 1..Model.Period() of every stage, as the History text shows them (a period a stage's
    // history does not hold reads as 0), the total cost of the warm-up included.
    explicit THistorySeriesTable(const TSimulation& Model);

    int NumStages() const { return NumStages_; }
    int32_t Periods() const { return Periods_; }
    int32_t WarmUp() const { return WarmUp_; }
    // Element P - 1 is period P. REQUIRES: 1 <= StageNum <= NumStages(), 0 <= Index < NumHistorySeries.
    const std::vector<double>& Series(int StageNum, int Index) const;

private:
    int NumStages_ = 0;
    int32_t Periods_ = 0;
    int32_t WarmUp_ = 0;
    std::vector<std::vector<double>> Series_;  // [(StageNum - 1) * NumHistorySeries + Index]
};

// --- Decimation --------------------------------------------------------------------------------

struct TChartPoint {
    double X = 0;
    double Y = 0;
    bool operator==(const TChartPoint&) const = default;
};

// The points of Y (Y[I] at x = X0 + I) that a line over [XFrom, XTo] drawn Columns pixel columns
// wide needs: every point when the range holds at most 2 * Columns of them, otherwise in every
// pixel column its lowest and its highest point (one when they coincide), in x order. The last
// point before XFrom and the first after XTo are added, so the line runs on to the plot's edges.
// REQUIRES: Columns >= 1, XFrom < XTo.
std::vector<TChartPoint> DecimateMinMax(const std::vector<double>& Y, double X0, double XFrom, double XTo, int Columns);

// --- Batch ---------------------------------------------------------------------------------------

// How a batch's settings are laid out on a chart: x is the first column's value (the first sweep
// row's), one line per value of the last column (the second row's) when TwoRows; for a values
// file x is the setting's number and there is one line.
struct TBatchChartShape {
    bool BySettingNumber = false;
    bool TwoRows = false;
};
// The shape of the batch Request asks for: by setting number for a values file, two rows when
// both sweep rows name a parameter.
TBatchChartShape BatchChartShape(const TBatchRequest& Request);

// One line of a batch chart; Low and High (as long as X, or empty) bound Mean -/+ 1.96 SEM.
struct TBatchChartLine {
    std::string Name;
    std::vector<double> X;
    std::vector<double> Y;
    std::vector<double> Low;
    std::vector<double> High;
};

// The results of one batch as its settings finish.
class TBatchChartData {
public:
    // Forgets the settings so far; the next batch is laid out as Shape says.
    void Start(TBatchChartShape Shape);
    // Setting I's results, with the results table's columns (the same for every setting of a batch).
    void AddSetting(int32_t I, const std::vector<TResultColumn>& Columns, const TSettingResult& Result);

    int32_t NumSettings() const { return static_cast<int32_t>(Rows_.size()); }
    const std::vector<TResultColumn>& Columns() const { return Columns_; }
    // The indexes into Columns() of the columns a chart may plot: every column but the parameters'.
    std::vector<int> MetricColumns() const;
    // The x axis's title: the first parameter column's heading, or "Setting".
    std::string XTitle() const;
    // Column C against x, one line per value of the last parameter column (in order of first
    // appearance), with its band where the table reports the SEM of the same metric and stage.
    // REQUIRES: 0 <= C < Columns().size().
    std::vector<TBatchChartLine> Lines(int C) const;

private:
    struct TRow {
        int32_t Setting = 0;
        std::vector<double> Values;  // one per column
    };
    TBatchChartShape Shape_;
    std::vector<TResultColumn> Columns_;
    std::vector<TRow> Rows_;
};

// --- Statistics by stage ---------------------------------------------------------------------------

// The mean, minimum and maximum of one metric for every stage; element S - 1 is stage S.
struct TStageBars {
    std::vector<double> Mean;
    std::vector<double> Min;
    std::vector<double> Max;
};

// Metric Index (0..NumMetrics - 1, as MetricNames) of every stage of Model's last run.
TStageBars StageBars(const TSimulation& Model, int Index);
