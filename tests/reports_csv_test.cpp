// The CSV writer's fields and numbers, and the run's tables as CSV read back by a strict reader:
// every number equals the array or accumulator it came from, to the last bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <locale>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/Simulation.h"
#include "reports/CsvTables.h"
#include "stats/Stats.h"
#include "support/CsvReader.h"
#include "support/ModelBuilder.h"
#include "text/CsvText.h"

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

using TRecords = std::vector<std::vector<std::string>>;

// A decimal comma and grouping of thousands, as a German locale has them.
struct TCommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

bool SameBits(double A, double B)
{
    return std::memcmp(&A, &B, sizeof A) == 0;
}

// Retailer 1 with external demand supplied by stages 2 and 3 (one raw-material group), which both
// buy from stage 4; stage 2 fails now and then. Costs with fractions, so totals need every digit.
void BuildNetwork(TSimulation& Model)
{
    TStageParams Retailer;
    Retailer.DemandMean = 10;
    Retailer.DemandSD = 3;
    Retailer.BaseStockLevel = 25;
    Retailer.HoldingCost = 0.3;
    Retailer.StockoutCost = 4.1;
    TStageParams Supplier;
    Supplier.ProcTime = 1;
    Supplier.BaseStockLevel = 30;
    Supplier.ProductCost = 1.7;
    Supplier.HoldingCost = 0.15;
    AddStage(Model, Retailer);
    Supplier.FailureProb = 0.2;
    Supplier.RecoveryProb = 0.5;
    AddStage(Model, Supplier);
    Supplier.FailureProb = 0;
    Supplier.ProductIndex = 2;  // an alternative source of stage 2's product
    AddStage(Model, Supplier);
    Supplier.ProductIndex = 0;
    AddStage(Model, Supplier);
    Model.Link(2, 1);
    Model.Link(3, 1);
    Model.Link(4, 2);
    Model.Link(4, 3);
}

TRecords Parsed(const std::string& Csv)
{
    const std::optional<TRecords> Records = ParseCsv(Csv);
    EXPECT_TRUE(Records.has_value()) << Csv.substr(0, 200);
    return Records.value_or(TRecords{});
}

double Real(const std::string& Field)
{
    const std::optional<double> Value = CsvReal(Field);
    EXPECT_TRUE(Value.has_value()) << Field;
    return Value.value_or(NaN);
}

int64_t Int(const std::string& Field)
{
    const std::optional<int64_t> Value = CsvInt(Field);
    EXPECT_TRUE(Value.has_value()) << Field;
    return Value.value_or(-1);
}

class ReportsCsvRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        BuildNetwork(Model);
        Model.RunSimulation(Periods, WarmUp, 7);
    }
    static constexpr int32_t Periods = 80;
    static constexpr int32_t WarmUp = 10;
    TSimulation Model;
};

}  // namespace

TEST(CsvText, FieldsAreQuotedOnlyWhenNeededAndNumbersReadBackWhateverTheLocale)
{
    const struct {
        const char* Field;
        const char* Written;
    } Fields[] = {
        {"On Hand", "On Hand"},
        {"All From Stock (Type 1 SL)", "All From Stock (Type 1 SL)"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"end\r", "\"end\r\""},
    };
    const struct {
        double Value;
        const char* Written;
    } Numbers[] = {
        {0.1, "0.1"},
        {1.0 / 3, "0.3333333333333333"},
        {123456.789, "123456.789"},
        {1234567, "1234567"},
        {-2.5, "-2.5"},
        {-0.0, "-0"},
        {1e300, "1e+300"},
        {5e-324, "5e-324"},
        {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
        {Inf, "inf"},
        {-Inf, "-inf"},
        {NaN, "nan"},
        {-NaN, "nan"},
    };
    struct TLocaleGuard {
        std::locale Before = std::locale::global(std::locale(std::locale::classic(), new TCommaPunct));
        ~TLocaleGuard() { std::locale::global(Before); }
    };
    std::optional<TLocaleGuard> Comma;
    Comma.emplace();
    std::ostringstream Check;
    Check << 1234.5;
    EXPECT_EQ(Check.str(), "1.234,5");  // the locale is in force
    for (const auto& F : Fields) {
        EXPECT_EQ(CsvField(F.Field), F.Written);
        const std::optional<TRecords> Back = ParseCsv(CsvField(F.Field) + "\r\n");
        ASSERT_TRUE(Back.has_value()) << F.Field;
        EXPECT_EQ(*Back, TRecords{{F.Field}});
    }
    for (const auto& N : Numbers) {
        const std::string Text = CsvNumber(N.Value);
        EXPECT_EQ(Text, N.Written);
        const std::optional<double> Back = CsvReal(Text);
        ASSERT_TRUE(Back.has_value()) << Text;
        EXPECT_TRUE(std::isnan(N.Value) ? std::isnan(*Back) : SameBits(*Back, N.Value)) << Text;
    }
    Comma.reset();

    TCsvWriter Csv;
    Csv.Text("x,y");
    Csv.Number(0.5);
    Csv.Integer(-7);
    Csv.Empty();
    Csv.EndRecord();
    Csv.Integer(1);
    Csv.EndRecord();
    EXPECT_EQ(Csv.Take(), "\"x,y\",0.5,-7,\r\n1\r\n");
    EXPECT_EQ(Csv.Data(), "");
}

TEST_F(ReportsCsvRun, HistoryReadsBackToTheHistoryArrays)
{
    const TRecords R = Parsed(BuildHistoryCsv(Model));
    const int N = Model.NumStages();
    ASSERT_EQ(R.size(), 1u + static_cast<std::size_t>(Periods * N));
    EXPECT_EQ(R[0], (std::vector<std::string>{"period", "stage", "measured", "total_cost", "demand", "derived_demand",
                                              "inv_level", "order_qty", "on_order", "in_process", "failed"}));
    bool SawFailure = false;
    for (int32_t P = 1; P <= Periods; ++P) {
        for (int K = 1; K <= N; ++K) {
            const std::vector<std::string>& F = R[static_cast<std::size_t>((P - 1) * N + K)];
            const TStage& S = Model.Stage(K);
            const std::size_t At = static_cast<std::size_t>(P);
            ASSERT_EQ(F.size(), 11u);
            EXPECT_EQ(Int(F[0]), P);
            EXPECT_EQ(Int(F[1]), K);
            EXPECT_EQ(Int(F[2]), P > WarmUp ? 1 : 0);
            EXPECT_TRUE(SameBits(Real(F[3]), S.TotalCostHist()[At])) << P << " " << K << " " << F[3];
            EXPECT_EQ(Int(F[4]), S.HasDemandHist() ? S.DemandHist()[At] : 0);
            EXPECT_EQ(Int(F[5]), S.DerivedDemandHist()[At]);
            EXPECT_EQ(Int(F[6]), S.NetInvHist()[At]);
            EXPECT_EQ(Int(F[7]), S.OrderQtyHist().At(P, 0, 0));
            EXPECT_EQ(Int(F[8]), S.OnOrderHist()[At]);
            EXPECT_EQ(Int(F[9]), S.InProcessHist()[At]);
            EXPECT_EQ(Int(F[10]), S.FailedHist()[At] != 0 ? 1 : 0);
            SawFailure = SawFailure || S.FailedHist()[At] != 0;
        }
    }
    EXPECT_TRUE(SawFailure);  // the run shows the failed column at work
}

TEST_F(ReportsCsvRun, OrderHistoryReadsBackToTheOrdersOfEveryStage)
{
    const TRecords R = Parsed(BuildOrderHistoryCsv(Model));
    ASSERT_FALSE(R.empty());
    EXPECT_EQ(R[0], (std::vector<std::string>{"period", "stage", "supplier", "quantity"}));
    // Per period: stage 1's own order and its two suppliers (one group, in the order the stage
    // orders from them), 2's own and 4, 3's own and 4, 4's own; with the group and place in it
    // where the history holds each.
    const struct {
        int Stage;
        int Supplier;
        int Group;
        int Place;
    } Expected[] = {{1, 0, 0, 0}, {1, 3, 1, 1}, {1, 2, 1, 2}, {2, 0, 0, 0},
                    {2, 4, 1, 1}, {3, 0, 0, 0}, {3, 4, 1, 1}, {4, 0, 0, 0}};
    ASSERT_EQ(R.size(), 1u + Periods * std::size(Expected));
    std::size_t Row = 1;
    for (int32_t P = 1; P <= Periods; ++P) {
        for (const auto& E : Expected) {
            const std::vector<std::string>& F = R[Row++];
            ASSERT_EQ(F.size(), 4u);
            EXPECT_EQ(Int(F[0]), P);
            EXPECT_EQ(Int(F[1]), E.Stage);
            EXPECT_EQ(Int(F[2]), E.Supplier);
            EXPECT_EQ(Int(F[3]), Model.Stage(E.Stage).OrderQtyHist().At(P, E.Group, E.Place));
        }
    }
}

TEST_F(ReportsCsvRun, StatisticsReadBackToTheAccumulators)
{
    const struct {
        const char* Heading;
        TMetric Metric;
        bool Total;  // the last line adds the stages' means; otherwise weights them by observations
    } Blocks[] = {
        {"On Hand", MetricInvLevel, true},
        {"Backorders", MetricBackorders, true},
        {"On Order", MetricOnOrder, true},
        {"In Process", MetricInProcess, true},
        {"Order Cost", MetricOrderCost, true},
        {"Holding Cost", MetricHoldingCost, true},
        {"WIP Holding Cost", MetricWIPHoldingCost, true},
        {"Stockout Cost", MetricStockoutCost, true},
        {"Total Cost", MetricTotalCost, true},
        {"Demand", MetricDemand, true},
        {"Derived Demand", MetricDerivedDemand, true},
        {"All From Stock (Type 1 SL)", MetricType1SL, false},
        {"From Stock (Type 2 SL)", MetricFillRate, false},
        {"Within CST", MetricWithinCST, false},
        {"Order Quantity", MetricOrderQty, true},
        {"Failed", MetricFailed, false},
    };
    const TRecords R = Parsed(BuildStatsCsv(Model));
    const int N = Model.NumStages();
    ASSERT_EQ(R.size(), 1u + std::size(Blocks) * static_cast<std::size_t>(N + 1));
    EXPECT_EQ(R[0], (std::vector<std::string>{"stage", "metric", "mean", "sd", "min", "max", "observations"}));
    std::size_t Row = 1;
    for (const auto& B : Blocks) {
        double Sum = 0;
        double Weighted = 0;
        double Count = 0;
        for (int K = 1; K <= N; ++K) {
            const TMinMaxAvg& M = *Model.Stage(K).Stats().Get(B.Metric);
            const std::vector<std::string>& F = R[Row++];
            ASSERT_EQ(F.size(), 7u);
            EXPECT_EQ(F[0], std::to_string(K));
            EXPECT_EQ(F[1], B.Heading);
            // A stage without observations (the demand of one without customers of its own) has none.
            const std::vector<std::string> Undefined(4, "nan");
            if (M.Count() == 0) {
                EXPECT_EQ(std::vector<std::string>(F.begin() + 2, F.begin() + 6), Undefined) << B.Heading << " " << K;
            } else {
                EXPECT_TRUE(SameBits(Real(F[2]), M.Avg())) << B.Heading << " " << K << " " << F[2];
                EXPECT_TRUE(SameBits(Real(F[3]), M.Stdev())) << B.Heading << " " << K << " " << F[3];
                EXPECT_TRUE(SameBits(Real(F[4]), M.Min())) << B.Heading << " " << K;
                EXPECT_TRUE(SameBits(Real(F[5]), M.Max())) << B.Heading << " " << K;
            }
            EXPECT_EQ(Int(F[6]), M.Count());
            Sum += M.Avg();
            Weighted += M.Avg() * static_cast<double>(M.Count());
            Count += static_cast<double>(M.Count());
        }
        const double Summary = B.Total ? Sum : (Count > 0 ? Weighted / Count : 0.0);
        EXPECT_EQ(R[Row++], (std::vector<std::string>{"all", B.Heading, CsvNumber(Summary), "", "", "", ""}));
    }
}

TEST(ReportsCsv, StatisticsWithoutObservationsAreUndefined)
{
    // A warm-up as long as the run leaves nothing measured: no mean, spread or extreme exists.
    TSimulation Model;
    BuildNetwork(Model);
    Model.RunSimulation(10, 10, 7);
    const TRecords R = Parsed(BuildStatsCsv(Model));
    ASSERT_EQ(R.size(), 1u + 16u * static_cast<std::size_t>(Model.NumStages() + 1));
    for (std::size_t Row = 1; Row < R.size(); ++Row) {
        const bool All = R[Row][0] == "all";
        EXPECT_EQ(R[Row], (std::vector<std::string>{R[Row][0], R[Row][1], "nan", All ? "" : "nan", All ? "" : "nan",
                                                    All ? "" : "nan", All ? "" : "0"}));
    }
}
