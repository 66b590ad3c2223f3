#include <gtest/gtest.h>

#include <limits>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "batch/BatchRun.h"
#include "batch/ParamSet.h"
#include "batch/ReportOptions.h"
#include "engine/ParamCatalogue.h"
#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "platform/Dialogs.h"
#include "support/CheckedOptions.h"
#include "support/ScratchDir.h"
#include "text/NumberText.h"
#include "text/Padding.h"

namespace {

const std::string SerialChain = ORVANTIS_SOURCE_DIR "/examples/serial_chain.txt";

void Load(TSimulation& Model, const std::string& Path)
{
    TSilentDialogs Notices;
    const TLoadResult R = LoadModel(Model, Path, Notices);
    ASSERT_TRUE(R.Ok) << R.Message;
}

// Every parameter of every stage.
std::vector<double> AllParams(const TSimulation& Model)
{
    std::vector<double> Out;
    for (int S = 1; S <= Model.NumStages(); ++S) {
        for (int I = 0; I < NumParams; ++I) {
            Out.push_back(Model.GetParam(S, I));
        }
    }
    return Out;
}

TParamSet MakeSet(const std::vector<std::pair<int, int>>& Columns, const std::vector<std::vector<double>>& Settings)
{
    TParamSet Set(static_cast<int32_t>(Settings.size()), static_cast<int32_t>(Columns.size()));
    for (int32_t K = 1; K <= Set.NumColumns(); ++K) {
        Set.ParamIndex(K) = Columns[static_cast<std::size_t>(K - 1)].first;
        Set.ParamStage(K) = Columns[static_cast<std::size_t>(K - 1)].second;
        for (int32_t I = 1; I <= Set.NumSettings(); ++I) {
            Set.Values(I, K) = Settings[static_cast<std::size_t>(I - 1)][static_cast<std::size_t>(K - 1)];
        }
    }
    return Set;
}

constexpr int Mean = 1, SEM = 2, Min = 3, Max = 4, ByStage = 5;

TBatchRun Conditions(int32_t Periods, int32_t WarmUp, int32_t Seed, int32_t Trials)
{
    TBatchRun Run;
    Run.Settings = TRunSettings{Periods, WarmUp, Seed};
    Run.NumTrials = Trials;
    Run.Heading = TBatchHeading{"01/02/26 10:20:30", "serial_chain.txt", std::to_string(Seed), std::to_string(Periods),
                                std::to_string(WarmUp), 0, 0};
    return Run;
}

// The lines and trial costs of a batch.
struct TRecorded {
    std::vector<std::string> Lines;
    std::vector<double> TrialCosts;  // total cost of each trial, in order
    std::vector<int32_t> Applied;
    TBatchOutcome Outcome;
};

TRecorded Record(TSimulation& Model, const TParamSet& Set, const TReportOptions& Options, const TBatchRun& Run,
                 std::function<bool(int32_t, int32_t)> Progress = {})
{
    TRecorded R;
    TBatchCallbacks C;
    C.AppendLine = [&R](const std::string& Line) { R.Lines.push_back(Line); };
    C.TrialDone = [&R](const TCostTotals& Costs) { R.TrialCosts.push_back(Costs.TotalCost); };
    C.SettingApplied = [&R](int32_t I) { R.Applied.push_back(I); };
    C.Progress = std::move(Progress);
    R.Outcome = RunBatch(Model, Set, Options, Run, C);
    return R;
}

// The result lines of a batch's text: between the heading block (7 lines) and the closing two.
std::vector<std::string> ResultLines(const std::vector<std::string>& Lines)
{
    EXPECT_GE(Lines.size(), 9u);
    return std::vector<std::string>(Lines.begin() + 7, Lines.end() - 2);
}

// The fields of a line, checked against the heading line: every heading is right-aligned in
// max(8, its length) and followed by two blanks; every value is right-aligned in its column's
// width, or written whole without blanks when it is wider (pushing the rest to the right), and
// followed by two blanks. Values and headings hold no blanks.
std::vector<std::string> SplitFields(const std::string& Heading, const std::string& Line, std::vector<std::string>* Names = nullptr)
{
    std::vector<std::string> Fields;
    std::size_t Pos = 0;
    std::size_t HeadPos = 0;
    while (HeadPos < Heading.size()) {
        const std::size_t Start = Heading.find_first_not_of(' ', HeadPos);
        const std::size_t End = Heading.find(' ', Start);
        const std::string Name = Heading.substr(Start, End - Start);
        const std::size_t Width = std::max<std::size_t>(8, Name.size());
        EXPECT_EQ(End - HeadPos, Width) << Name << " is not right-aligned in its width";
        EXPECT_EQ(Heading.substr(End, 2), "  ");
        HeadPos = End + 2;
        if (Names != nullptr) {
            Names->push_back(Name);
        }
        const std::size_t ValueEnd = Line.find(' ', Line.find_first_not_of(' ', Pos));
        const std::string Field = Line.substr(Pos, ValueEnd - Pos);
        EXPECT_TRUE(Field.size() == Width || (Field.size() > Width && Field[0] != ' ')) << Name << " '" << Field << "'";
        EXPECT_EQ(Line.substr(ValueEnd, 2), "  ") << "after " << Name;
        Fields.push_back(Field);
        Pos = ValueEnd + 2;
    }
    EXPECT_EQ(Pos, Line.size());
    return Fields;
}

}  // namespace

TEST(BatchRun, SeedGoesToTheFirstTrialOnlyAndLaterTrialsContinue)
{
    TSimulation Model;
    Load(Model, SerialChain);
    const TParamSet Set = MakeSet({{ParamBaseStockLevel, 1}}, {{40}, {60}});
    const TRecorded Batch = Record(Model, Set, TReportOptions{}, Conditions(300, 30, 5, 2));
    ASSERT_EQ(Batch.TrialCosts.size(), 4u);

    // The same trials one after another, from seed 5 and then -1.
    TSimulation Alone;
    Load(Alone, SerialChain);
    const double Original = Alone.GetParam(1, ParamBaseStockLevel);
    const auto RunAlone = [&Alone, Original] {
        std::vector<double> Costs;
        const double Values[] = {40, 40, 60, 60};
        const int64_t Seeds[] = {5, -1, -1, -1};
        for (int T = 0; T < 4; ++T) {
            Alone.SetParam(1, ParamBaseStockLevel, Values[T]);
            Alone.Reset();
            Costs.push_back(Alone.RunSimulation(300, 30, Seeds[T]).TotalCost);
        }
        Alone.SetParam(1, ParamBaseStockLevel, Original);
        return Costs;
    };
    const std::vector<double> Expected = RunAlone();
    EXPECT_EQ(Batch.TrialCosts, Expected);
    EXPECT_NE(Batch.TrialCosts[0], Batch.TrialCosts[1]);  // the sequence went on

    // A second batch starts again from seed 5; a batch with a negative seed then continues the
    // sequence where it stands.
    EXPECT_EQ(Record(Model, Set, TReportOptions{}, Conditions(300, 30, 5, 2)).TrialCosts, Expected);
    const double Next = Record(Model, MakeSet({}, {{}}), TReportOptions{}, Conditions(300, 30, -3, 1)).TrialCosts.at(0);
    RunAlone();
    Alone.Reset();
    EXPECT_EQ(Next, Alone.RunSimulation(300, 30, -1).TotalCost);
}

TEST(BatchRun, ParametersAfterABatchEqualThoseBefore)
{
    TSimulation Model;
    Load(Model, SerialChain);
    const std::vector<double> Before = AllParams(Model);
    // The same pair twice, an integer, a boolean and a policy column.
    const TParamSet Set = MakeSet({{ParamBaseStockLevel, 2}, {ParamStockoutPerUnitTime, 1}, {ParamInvPolicy, 3},
                                   {ParamHoldingCost, 4}, {ParamBaseStockLevel, 2}},
                                  {{7.5, 0, 2, 9, 6.5}, {1, 0, 3, 8, 12}});
    const TRecorded R = Record(Model, Set, TReportOptions{}, Conditions(100, 10, 3, 2));
    EXPECT_EQ(R.Applied, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(AllParams(Model), Before);

    TBatchCallbacks Throwing;
    Throwing.TrialDone = [](const TCostTotals&) { throw std::runtime_error("stop"); };
    EXPECT_THROW(RunBatch(Model, Set, TReportOptions{}, Conditions(100, 10, 3, 2), Throwing), std::runtime_error);
    EXPECT_EQ(AllParams(Model), Before);

    int Calls = 0;
    const TRecorded Cancelled = Record(Model, Set, TReportOptions{}, Conditions(100, 10, 3, 2),
                                       [&Calls](int32_t Done, int32_t Total) {
                                           ++Calls;
                                           EXPECT_EQ(Total, 2);
                                           return Done < 1;
                                       });
    EXPECT_TRUE(Cancelled.Outcome.Cancelled);
    EXPECT_EQ(Cancelled.Outcome.SettingsDone, 1);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Cancelled.Lines.size(), 7u + 1u + 2u);
    EXPECT_EQ(AllParams(Model), Before);

    // On workers, a cancelled batch leaves the generator where one trial after the other does.
    std::vector<uint32_t> SeedAfter;
    for (const int Jobs : {1, 3}) {
        TBatchRun Run = Conditions(100, 10, 3, 2);
        Run.Jobs = Jobs;
        TBatchCallbacks StopAfterOne;
        StopAfterOne.Progress = [](int32_t Done, int32_t) { return Done < 1; };
        RunBatch(Model, Set, TReportOptions{}, Run, StopAfterOne);
        SeedAfter.push_back(Model.RandSeed());
    }
    EXPECT_EQ(SeedAfter[0], SeedAfter[1]);
}

TEST(BatchRun, IntegerColumnsShowTheRoundedValueAndNoTrialGivesZeros)
{
    TSimulation Model;
    Load(Model, SerialChain);
    const TParamSet Set = MakeSet({{ParamBaseStockLevel, 1}, {ParamStockoutPerUnitTime, 2}, {ParamInvPolicy, 3}},
                                  {{7.5, 1, 3}, {6.5, 0, 2}});
    const TReportOptions O = CheckedOptions({{MetricTotalCost, Mean}, {MetricTotalCost, Max}, {MetricInvLevel, SEM},
                                      {MetricInvLevel, ByStage}});
    for (const int32_t Trials : {0, -2}) {
        const TRecorded R = Record(Model, Set, O, Conditions(100, 10, 3, Trials));
        EXPECT_TRUE(R.TrialCosts.empty());
        EXPECT_EQ(R.Lines[4], std::to_string(Trials) + " trials, 100 periods per trial, 10-period warm-up period");
        EXPECT_EQ(ResultLines(R.Lines),
                  (std::vector<std::string>{
                      "        8          1         3           0.00          0.00         0.0000         0.0000"
                      "         0.0000         0.0000  ",
                      "        6          0         2           0.00          0.00         0.0000         0.0000"
                      "         0.0000         0.0000  "}));
    }
    EXPECT_EQ(Model.Period(), 0);  // nothing ran
}

TEST(BatchRun, OneTrialHasNoSpreadAndItsCostsAreASingleRunsTotals)
{
    TSimulation Model;
    Load(Model, SerialChain);
    std::vector<std::pair<int, int>> Items;
    for (int J = 0; J < 5; ++J) {
        for (const int Stat : {Mean, SEM, Min, Max}) {
            Items.emplace_back(J, Stat);
        }
    }
    Items.emplace_back(MetricBackorders, Mean);
    Items.emplace_back(MetricBackorders, SEM);
    Items.emplace_back(MetricBackorders, Min);
    Items.emplace_back(MetricBackorders, Max);
    Items.emplace_back(MetricBackorders, ByStage);
    const TRecorded R = Record(Model, MakeSet({}, {{}}), CheckedOptions(Items), Conditions(500, 50, 11, 1));
    ASSERT_EQ(R.Lines.size(), 10u);
    const std::vector<std::string> F = SplitFields(R.Lines[6], R.Lines[7]);
    ASSERT_EQ(F.size(), 20u + 16u);

    TSimulation Alone;
    Load(Alone, SerialChain);
    const TCostTotals Single = Alone.RunSimulation(500, 50, 11);
    const double Costs[] = {Single.TotalCost, Single.OrderCost, Single.HoldingCost, Single.WIPHoldingCost,
                            Single.StockoutCost};
    for (std::size_t J = 0; J < 5; ++J) {
        const std::string MeanText = FormatFixed(Costs[J], 2);
        EXPECT_EQ(F[4 * J], PadStr(MeanText, static_cast<int>(F[4 * J].size()), 'r')) << J;
        EXPECT_EQ(F[4 * J + 1], PadStr("0.00", static_cast<int>(F[4 * J + 1].size()), 'r')) << J;
        EXPECT_EQ(F[4 * J + 2], PadStr(MeanText, static_cast<int>(F[4 * J + 2].size()), 'r')) << J;
        EXPECT_EQ(F[4 * J + 3], PadStr(MeanText, static_cast<int>(F[4 * J + 3].size()), 'r')) << J;
    }
    for (std::size_t S = 0; S < 4; ++S) {
        const std::string Backorders = FormatFixed(Alone.Stage(static_cast<int>(S) + 1).Stats().Get(MetricBackorders)->Avg(), 4);
        EXPECT_EQ(F[20 + S].substr(F[20 + S].size() - Backorders.size()), Backorders);   // Mean
        EXPECT_EQ(F[24 + S].substr(F[24 + S].size() - 6), "0.0000");                    // SEM
        EXPECT_EQ(F[28 + S].substr(F[28 + S].size() - Backorders.size()), Backorders);   // Min
        EXPECT_EQ(F[32 + S].substr(F[32 + S].size() - Backorders.size()), Backorders);   // Max
    }
}

TEST(BatchRun, ValuesFileWithoutColumnsGivesOneLinePerSetting)
{
    TSimulation Model;
    Load(Model, SerialChain);
    const TParamSetResult Set = ParseParamSet("0 3", "v.txt", Model.NumStages());
    ASSERT_TRUE(Set.Set);
    const TRecorded R = Record(Model, *Set.Set, CheckedOptions({{MetricTotalCost, Mean}}), Conditions(200, 20, 8, 2));
    const std::vector<std::string> Lines = ResultLines(R.Lines);
    ASSERT_EQ(Lines.size(), 3u);
    EXPECT_EQ(R.Lines[6], "TotalCostMean  ");
    EXPECT_EQ(R.TrialCosts.size(), 6u);
    EXPECT_NE(Lines[0], Lines[1]);  // the same model, later in the random sequence
}

// A small model's whole batch text, kept as a golden file, and checked field by field against the
// layout: every field right-aligned to its heading's width and followed by two blanks, parameter
// values by type (4 decimals for reals, INF, integers), system statistics with 2 decimals and
// per-stage ones with 4.
TEST(BatchRun, GoldenResultsTextFollowsTheLayout)
{
    TSimulation Model;
    Load(Model, SerialChain);
    const double Inf = std::numeric_limits<double>::infinity();
    const TParamSet Set = MakeSet({{ParamBaseStockLevel, 1}, {ParamHoldingCost, 2}, {ParamDemandBound, 1},
                                   {ParamStockoutPerUnitTime, 1}, {ParamProcCapacity, 3}},
                                  {{20, 1.5, Inf, 1, 2000000000}, {27.5, 2.25, 3, 0, 35}, {35, 1234.5, 12.125, 1, 60}});
    const TReportOptions O = CheckedOptions({{MetricTotalCost, Mean}, {MetricTotalCost, SEM}, {MetricTotalCost, Min},
                                      {MetricTotalCost, Max}, {MetricStockoutCost, Mean}, {MetricStockoutCost, ByStage},
                                      {MetricOrderQty, Mean}, {MetricOrderQty, ByStage}, {MetricInvLevel, Mean},
                                      {MetricInvLevel, ByStage}, {MetricFillRate, Min}, {MetricFillRate, ByStage},
                                      {MetricDemand, SEM}},  // Demand without "By Stage": no column
                                     {0, 1});
    TBatchRun Run = Conditions(250, 25, 7, 3);
    Run.Heading.SeedText = "007";  // as typed
    Run.DecimalSep = ',';
    const TRecorded R = Record(Model, Set, O, Run);

    std::string Text;
    for (const std::string& Line : R.Lines) {
        Text += Line + "\n";
    }
    EXPECT_EQ(Text, FileBytes(ORVANTIS_SOURCE_DIR "/tests/data/batch/serial_chain_batch.txt"));

    ASSERT_EQ(R.Lines.size(), 7u + 3u + 2u);
    EXPECT_EQ(R.Lines[0], "01/02/26 10:20:30");
    EXPECT_EQ(R.Lines[1], "Data file: serial_chain.txt");
    EXPECT_EQ(R.Lines[2], "RandSeed: 007");
    EXPECT_EQ(R.Lines[3], "4 stages");
    EXPECT_EQ(R.Lines[4], "3 trials, 250 periods per trial, 25-period warm-up period");
    EXPECT_EQ(R.Lines[5], "");
    EXPECT_EQ(R.Lines[10], "");
    EXPECT_EQ(R.Lines[11], "");
    const std::regex Real4(" *-?[0-9]+,[0-9]{4}"), Real2(" *-?[0-9]+,[0-9]{2}"), Integer(" *-?[0-9]+"), Inf4(" *INF| *-?[0-9]+,[0-9]{4}");
    for (std::size_t L = 7; L < 10; ++L) {
        std::vector<std::string> Names;
        const std::vector<std::string> Fields = SplitFields(R.Lines[6], R.Lines[L], &Names);
        ASSERT_EQ(Fields.size(), 5u + 5u + 1u + 4u * 5u);
        for (std::size_t I = 0; I < Fields.size(); ++I) {
            const std::string& N = Names[I];
            const std::regex& Rule = N == "HoldCost:2" ? Real4
                                     : N == "DemBound:1" ? Inf4
                                     : I < 5 ? Integer
                                     : N.find(':') == std::string::npos ? Real2
                                                                         : Real4;
            EXPECT_TRUE(std::regex_match(Fields[I], Rule)) << N << " '" << Fields[I] << "' in line " << L;
        }
    }
    EXPECT_EQ(SplitFields(R.Lines[6], R.Lines[7])[2], "       INF");
    EXPECT_EQ(SplitFields(R.Lines[6], R.Lines[8])[0], "       28");
    EXPECT_EQ(SplitFields(R.Lines[6], R.Lines[7])[4], "2000000000");  // wider than ProcCap:3, written whole
    EXPECT_EQ(SplitFields(R.Lines[6], R.Lines[9])[1], " 1234,5000");
}
