#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/ParamSet.h"
#include "engine/ParamCatalogue.h"
#include "support/ScratchDir.h"

namespace {

// Drop-down positions: catalogue index + 1.
constexpr int BSLevel = ParamBaseStockLevel + 1;
constexpr int ProcTime = ParamProcTime + 1;
constexpr int HoldCost = ParamHoldingCost + 1;
constexpr int DemMean = ParamDemandMean + 1;
constexpr int InvPol = ParamInvPolicy + 1;
constexpr int PerTime = ParamStockoutPerUnitTime + 1;

TSweepRow Row(int Pos, const std::string& Stages, const std::string& Values)
{
    // "1-2" and "10:20:5" as shorthand for the five edit boxes.
    const std::size_t Dash = Stages.find('-');
    const std::size_t C1 = Values.find(':');
    const std::size_t C2 = Values.find(':', C1 + 1);
    return TSweepRow{Pos, Stages.substr(0, Dash), Stages.substr(Dash + 1), Values.substr(0, C1),
                     Values.substr(C1 + 1, C2 - C1 - 1), Values.substr(C2 + 1)};
}

const TSweepRow None{0, "junk", "", "x", "", "?"};  // a "[none]" row's boxes are never read

struct TShape {
    std::vector<std::pair<int, int>> Columns;  // (catalogue index, stage)
    std::vector<std::vector<double>> Settings;
};

TShape ShapeOf(const TParamSet& Set)
{
    TShape S;
    for (int K = 1; K <= Set.NumColumns(); ++K) {
        S.Columns.emplace_back(Set.ParamIndex(K), Set.ParamStage(K));
    }
    for (int I = 1; I <= Set.NumSettings(); ++I) {
        S.Settings.emplace_back();
        for (int K = 1; K <= Set.NumColumns(); ++K) {
            S.Settings.back().push_back(Set.Values(I, K));
        }
    }
    return S;
}

// Values made as the sweep makes them: each the previous plus the step.
std::vector<double> Accumulated(double First, double Step, int Count)
{
    std::vector<double> V{First};
    while (static_cast<int>(V.size()) < Count) {
        V.push_back(V.back() + Step);
    }
    return V;
}

}  // namespace

TEST(BatchParamSet, SweepRowsGiveColumnsAndSettingsInOrder)
{
    const std::vector<double> Tenths = Accumulated(0, 0.1, 4);
    const std::vector<double> Thirds = Accumulated(1, 0.3, 4);
    struct TCase {
        const char* Why;
        TSweepRow Row1, Row2;
        TShape Expected;
    };
    const TCase Cases[] = {
        {"the two-row example", Row(BSLevel, "1-2", "10:20:5"), Row(HoldCost, "3-3", "1:2:1"),
         {{{16, 1}, {16, 2}, {9, 3}}, {{10, 10, 1}, {10, 10, 2}, {15, 15, 1}, {15, 15, 2}, {20, 20, 1}, {20, 20, 2}}}},
        {"1 through 2 step 0.3: four values", Row(DemMean, "1-1", "1:2:0.3"), None,
         {{{3, 1}}, {{Thirds[0]}, {Thirds[1]}, {Thirds[2]}, {Thirds[3]}}}},
        {"0 through 0.3 step 0.1: the tolerance keeps the fourth", Row(DemMean, "2-2", "0:0.3:0.1"), None,
         {{{3, 2}}, {{Tenths[0]}, {Tenths[1]}, {Tenths[2]}, {Tenths[3]}}}},
        {"row 1 [none]: row 2 takes its place", None, Row(DemMean, "1-1", "1:2:0.3"),
         {{{3, 1}}, {{Thirds[0]}, {Thirds[1]}, {Thirds[2]}, {Thirds[3]}}}},
        {"both [none]: one setting, no column", None, None, {{}, {{}}}},
        {"first equals last: one value", Row(BSLevel, "1-3", "7:7:2"), None, {{{16, 1}, {16, 2}, {16, 3}}, {{7, 7, 7}}}},
        {"the same pair in both rows", Row(BSLevel, "1-1", "1:2:1"), Row(BSLevel, "1-1", "5:5:1"),
         {{{16, 1}, {16, 1}}, {{1, 5}, {2, 5}}}},
    };
    for (const TCase& C : Cases) {
        const TParamSetResult R = BuildSweepSet(C.Row1, C.Row2, '.', 3);
        ASSERT_TRUE(R.Set.has_value()) << C.Why << ": " << R.Message;
        const TShape S = ShapeOf(*R.Set);
        EXPECT_EQ(S.Columns, C.Expected.Columns) << C.Why;
        EXPECT_EQ(S.Settings, C.Expected.Settings) << C.Why;
    }
    const TParamSetResult Eleven = BuildSweepSet(Row(DemMean, "1-1", "0:1:0.1"), None, '.', 1);
    ASSERT_TRUE(Eleven.Set);
    EXPECT_EQ(Eleven.Set->NumSettings(), 11);
    EXPECT_EQ(Eleven.Set->Values(11, 1), Accumulated(0, 0.1, 11).back());
    EXPECT_NE(Eleven.Set->Values(11, 1), 1.0);  // the accumulated sum, not 10 x 0.1
}

TEST(BatchParamSet, RowTextsUseTheLocaleSeparatorAndTheConversionMessages)
{
    const TParamSetResult Comma = BuildSweepSet(Row(DemMean, "1-1", "1,5:2:0,5"), None, ',', 1);
    ASSERT_TRUE(Comma.Set) << Comma.Message;
    EXPECT_EQ(ShapeOf(*Comma.Set).Settings, (std::vector<std::vector<double>>{{1.5}, {2.0}}));

    const std::pair<TSweepRow, const char*> Cases[] = {
        {Row(DemMean, "x-1", "1:2:1"), "'x' is not a valid integer value"},
        {Row(DemMean, "1-1.0", "1:2:1"), "'1.0' is not a valid integer value"},
        {Row(DemMean, "1-1", "1.5:2:1"), "'1.5' is not a valid floating point value"},
        {Row(DemMean, "1-1", "1:INF:1"), "'INF' is not a valid floating point value"},
        {Row(DemMean, "1-1", "1::1"), "'' is not a valid floating point value"},
    };
    for (const auto& [Typed, Message] : Cases) {
        const TParamSetResult R = BuildSweepSet(Typed, None, ',', 1);
        EXPECT_FALSE(R.Set);
        EXPECT_EQ(R.Message, Message);
    }
    // Row 1 is read completely before row 2.
    EXPECT_EQ(BuildSweepSet(Row(DemMean, "1-1", "1:2:q"), Row(DemMean, "z-1", "1:2:1"), '.', 1).Message,
              "'q' is not a valid floating point value");
}

TEST(BatchParamSet, RowsThatCannotRunAreRefused)
{
    const std::pair<std::pair<TSweepRow, TSweepRow>, std::string> Cases[] = {
        {{Row(BSLevel, "0-2", "1:2:1"), None}, "Row 1: stage 0 is not a stage of this model (1 to 3)."},
        {{Row(BSLevel, "1-4", "1:2:1"), None}, "Row 1: stage 4 is not a stage of this model (1 to 3)."},
        {{Row(BSLevel, "3-2", "1:2:1"), None}, "Row 1: the first stage (3) is after the last stage (2)."},
        {{None, Row(BSLevel, "3-2", "1:2:1")}, "Row 2: the first stage (3) is after the last stage (2)."},
        {{Row(BSLevel, "1-1", "5:4.5:1"), None}, "Row 1: the last value (4.5) is below the first value (5)."},
        {{Row(BSLevel, "1-1", "1:2:0"), None}, "Row 1: the step (0) must be greater than 0."},
        {{Row(BSLevel, "1-1", "1:2:1"), Row(HoldCost, "1-1", "2:2:-1")}, "Row 2: the step (-1) must be greater than 0."},
        {{Row(HoldCost, "1-1", "1E20:2E20:1"), None}, "Row 1: the step (1) is too small to change the values."},
        {{Row(HoldCost, "1-3", "0:1:1E-7"), Row(HoldCost, "1-1", "0:1:0.5")},
         "Rows 1 and 2: the settings x columns are more than the 10000000 values a batch can hold."},
        {{Row(BSLevel, "1-1", "2147483000:2147484000:500"), None},
         "Row 1: the value 2147484000 is beyond the range of the integer parameter Base Stock Level."},
        {{Row(BSLevel, "1-1", "-2147483648:0:1E9"), None}, ""},
        // An integer parameter would round a fraction, giving the same value twice or one not asked for.
        {{Row(BSLevel, "1-1", "0:5:0.5"), None},
         "Row 1: the step (0.5) is not a whole number; the integer parameter Base Stock Level takes a whole first "
         "value, last value and step."},
        {{Row(BSLevel, "1-1", "1:2:1"), Row(ProcTime, "1-1", "0:5.5:1")},
         "Row 2: the last value (5.5) is not a whole number; the integer parameter Proc Time takes a whole first "
         "value, last value and step."},
        {{Row(PerTime, "1-1", "-0.5:1:1"), None},
         "Row 1: the first value (-0.5) is not a whole number; the integer parameter Per Unit Time takes a whole first "
         "value, last value and step."},
        // Values the parameter grid refuses, which a stage would turn into another one.
        {{Row(InvPol, "1-1", "3:7:1"), None},
         "Row 1: the value 5 is not valid for Inv Policy. Field must contain an integer between 1 and 4."},
        {{Row(ProcTime, "1-1", "-2:2:1"), None},
         "Row 1: the value -2 is not valid for Proc Time. Field must contain an integer of at least 0."},
        {{Row(PerTime, "1-1", "0:2:1"), None},
         "Row 1: the value 2 is not valid for Per Unit Time. Field must contain 0 (FALSE) or 1 (TRUE)."},
        {{Row(InvPol, "1-1", "1:4:1"), Row(PerTime, "1-1", "0:1:1")}, ""},
    };
    for (const auto& [Rows, Message] : Cases) {
        const TParamSetResult R = BuildSweepSet(Rows.first, Rows.second, '.', 3);
        EXPECT_EQ(R.Message, Message);
        EXPECT_EQ(R.Set.has_value(), Message.empty()) << Message;
    }
}

TEST(BatchParamSet, ValuesFileReadsCountsPairsAndValues)
{
    struct TCase {
        const char* Why;
        std::string Text;
        TShape Expected;
    };
    const TCase Cases[] = {
        {"the example, spread over lines", "3 2\n16 1  16 2\t9 3\r\n10 10 1\n20 20 2\n",
         {{{16, 1}, {16, 2}, {9, 3}}, {{10, 10, 1}, {20, 20, 2}}}},
        {"any byte up to 32 separates", std::string("1\x01" "2\x1f" "3\v1 2.5E3") + '\0' + "-0.25 ignored after", {{{3, 1}}, {{2500}, {-0.25}}}},
        {"the file ends early: zeros", "2 2 3 1 9 2 1.5", {{{3, 1}, {9, 2}}, {{1.5, 0}, {0, 0}}}},
        {"0 columns and 3 settings", "0 3", {{}, {{}, {}, {}}}},
        {"a byte-order mark first", "\xEF\xBB\xBF" "1 1 3 1 7", {{{3, 1}}, {{7}}}},
        {"longest tokens", "1 1 " + std::string(31, '0') + "3 1 " + "1." + std::string(62, '0'), {{{3, 1}}, {{1}}}},
    };
    for (const TCase& C : Cases) {
        const TParamSetResult R = ParseParamSet(C.Text, "v.txt", 3);
        ASSERT_TRUE(R.Set) << C.Why << ": " << R.Message;
        const TShape S = ShapeOf(*R.Set);
        EXPECT_EQ(S.Columns, C.Expected.Columns) << C.Why;
        EXPECT_EQ(S.Settings, C.Expected.Settings) << C.Why;
    }
}

TEST(BatchParamSet, ValuesFileRefusalsAndWarningsNameTheLine)
{
    struct TCase {
        std::string Text;
        std::string Message;  // after "v.txt: "; empty when the file loads
        std::string Warning;  // after "v.txt: "
    };
    const std::string Finite = " (values must be finite).";
    const std::string EndsInColumn = "; every column needs its parameter index and stage.";
    const TCase Cases[] = {
        {"", "the file is empty; it is not a values file.", ""},
        {"\xEF\xBB\xBF \r\n\t", "the file is empty; it is not a values file.", ""},
        {"\xEF\xBB\xBF" "1 1\n3 1\n7", "", ""},
        {"1 1\n3 1\nten", "Line 3: expected a number for setting 1, column 1, found \"ten\".", ""},
        {"1 1 3 1\n1,5", "Line 2: expected a number for setting 1, column 1, found \"1,5\".", ""},
        {"1 1,5", "Line 1: expected an integer for the number of settings, found \"1,5\".", ""},
        {"1.0 1 3 1 1", "Line 1: expected an integer for the number of columns, found \"1.0\".", ""},
        {"2 1\n3 1\n3 2.5\n", "Line 3: expected an integer for the stage of column 2, found \"2.5\".", ""},
        {"1 99999999999", "Line 1: expected an integer for the number of settings, found \"99999999999\" (beyond the "
                          "range of an integer).", ""},
        {"1 1 " + std::string(32, '0') + "3 1 1", "Line 1: expected an integer for the parameter index of column 1, "
                                                  "found \"" + std::string(32, '0') + "3\" (more than 32 characters).", ""},
        {"1 1 3 1 1." + std::string(63, '0'), "Line 1: expected a number for setting 1, column 1, found \"1." +
                                              std::string(38, '0') + "...\" (more than 64 characters).", ""},
        {"1 1 3 1 1e999", "Line 1: expected a number for setting 1, column 1, found \"1e999\" (beyond the range of a "
                          "number).", ""},
        {"1 1 3 1 nan", "Line 1: expected a number for setting 1, column 1, found \"nan\"" + Finite, ""},
        {"1 1 3 1 -INF", "Line 1: expected a number for setting 1, column 1, found \"-INF\"" + Finite, ""},
        {"-1 2", "Line 1: the number of columns is -1; it cannot be negative.", ""},
        {"1\n-2", "Line 2: the number of settings is -2; it cannot be negative.", ""},
        {"2 1\n3 1\n45 1 0 0", "Line 3: column 2 has the parameter index 45, outside 0 to 44.", ""},
        {"1 1 -1 1 0", "Line 1: column 1 has the parameter index -1, outside 0 to 44.", ""},
        {"1 1 3 4 0", "Line 1: column 1 has the stage 4, not a stage of this model (1 to 3).", ""},
        {"1 1\n3", "Line 2: the file ends before the stage of column 1" + EndsInColumn, ""},
        {"1", "Line 1: the file ends before the number of settings; a file with columns goes on with the number of "
              "settings, then every column's parameter index and stage.", ""},
        // Counts the file does not fill are refused before anything is reserved for them.
        {"1000000000 0", "Line 1: the file ends before the parameter index of column 1" + EndsInColumn, ""},
        {"0 1000000000", "Line 1: the file declares 1000000000 settings; at most 10000000 can be run.", ""},
        {"2 5000001", "Line 1: the file declares 5000001 settings of 2 columns, 10000002 values; at most 10000000 can "
                      "be run.", ""},
        {"1 2\n16 2\n5\n3E9", "Line 4: setting 2, column 1: the value 3000000000 is beyond the range of the integer "
                              "parameter Base Stock Level.", ""},
        {"1 1 3 1 99999999999", "", ""},  // a real parameter takes any finite value
        {"0", "", "Line 1: the file ends before the number of settings; what is missing reads as 0."},
        {"2 2\n3 1 9 2\n1.5", "", "Line 3: the file ends before setting 1, column 2; what is missing reads as 0."},
        {"1 1 3 1 7\n\n8 9", "", "Line 3: \"8\" and whatever follows it is beyond the values the file declares; it is "
                                 "ignored."},
    };
    for (const TCase& C : Cases) {
        const TParamSetResult R = ParseParamSet(C.Text, "v.txt", 3);
        EXPECT_EQ(R.Set.has_value(), C.Message.empty()) << C.Text;
        EXPECT_EQ(R.Message, C.Message.empty() ? "" : "v.txt: " + C.Message) << C.Text;
        EXPECT_EQ(R.Warning, C.Warning.empty() ? "" : "v.txt: " + C.Warning) << C.Text;
    }
}

TEST(BatchParamSet, LoadParamSetReadsTheFile)
{
    TScratchDir Dir;
    PutFile(Dir.Path / "values.txt", "1 2\n16 1\n4\n5\n");
    const TParamSetResult R = LoadParamSet((Dir.Path / "values.txt").string(), 1);
    ASSERT_TRUE(R.Set) << R.Message;
    EXPECT_EQ(ShapeOf(*R.Set).Settings, (std::vector<std::vector<double>>{{4}, {5}}));
    for (const auto& [Path, Reason] : {std::pair{(Dir.Path / "none.txt").string(), "No such file or directory"},
                                       std::pair{Dir.Path.string(), "Is a directory"}}) {
        const TParamSetResult Unread = LoadParamSet(Path, 1);
        EXPECT_FALSE(Unread.Set);
        EXPECT_EQ(Unread.Message, "Cannot read file " + Path + ":\n" + Reason + ".");
    }
}
