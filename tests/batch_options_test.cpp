#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "batch/BatchResults.h"
#include "batch/ParamSet.h"
#include "batch/ReportOptions.h"
#include "platform/Profile.h"
#include "support/ScratchDir.h"

namespace fs = std::filesystem;

namespace {

constexpr int Mean = TReportOptions::PosMean, SEM = TReportOptions::PosSEM, Min = TReportOptions::PosMin,
              Max = TReportOptions::PosMax, ByStage = TReportOptions::PosByStage;

int Pos(int Metric, int Item) { return 6 * Metric + Item; }

// The options with exactly the given standard items and other items checked.
TReportOptions With(const std::vector<int>& Standard, const std::vector<int>& Other = {})
{
    TReportOptions O;
    TOptionMarks Marks;
    for (const int P : Standard) {
        Marks.Standard[static_cast<std::size_t>(P)] = true;
    }
    for (const int P : Other) {
        Marks.Other[static_cast<std::size_t>(P)] = true;
    }
    O.SetMarks(Marks);
    return O;
}

std::vector<int> CheckedStandard(const TReportOptions& O)
{
    std::vector<int> Out;
    for (int P = 0; P < TReportOptions::NumStandard; ++P) {
        if (O.Standard(P).Checked) {
            Out.push_back(P);
        }
    }
    return Out;
}

// The checked items of Marks: the standard positions, then 100 + K for each other item K.
std::vector<int> Checked(const TOptionMarks& Marks)
{
    std::vector<int> Out;
    for (std::size_t P = 0; P < Marks.Standard.size(); ++P) {
        if (Marks.Standard[P]) {
            Out.push_back(static_cast<int>(P));
        }
    }
    for (std::size_t K = 0; K < Marks.Other.size(); ++K) {
        if (Marks.Other[K]) {
            Out.push_back(100 + static_cast<int>(K));
        }
    }
    return Out;
}

}  // namespace

TEST(BatchOptions, ListsHoldHeadingsStatisticsAndFixedByStageItems)
{
    const TReportOptions O;
    for (int J = 0; J < NumMetrics; ++J) {
        EXPECT_TRUE(O.Standard(Pos(J, 0)).Heading);
        EXPECT_EQ(O.Standard(Pos(J, 0)).Text, MetricNames[static_cast<std::size_t>(J)]);
        const std::vector<std::string> Texts = {"Mean", "SEM", "Min", "Max", "By Stage"};
        for (int Item = Mean; Item <= ByStage; ++Item) {
            const TOptionItem& I = O.Standard(Pos(J, Item));
            EXPECT_EQ(I.Text, Texts[static_cast<std::size_t>(Item - 1)]);
            EXPECT_FALSE(I.Heading);
            const bool Fixed = Item == ByStage && J >= 5;  // names not ending in "Cost"
            EXPECT_EQ(I.Enabled, !Fixed) << J << " " << Item;
            EXPECT_EQ(I.Checked, Fixed) << J << " " << Item;
        }
    }
    EXPECT_EQ(O.Other(0).Text, "SD of Total Cost");
    EXPECT_EQ(O.Other(1).Text, "Mean of SD of Order Qty");
}

TEST(BatchOptions, IsMeasureChecked)
{
    struct TCase {
        std::vector<int> Standard;
        std::vector<int> Other;
        const char* Measure;
        const char* Statistic;
        bool Expected;
    };
    const TCase Cases[] = {
        {{Pos(0, Mean)}, {}, "Total Cost", "Mean", true},
        {{Pos(0, Mean)}, {}, "Total Cost", "SEM", false},
        {{Pos(8, Max)}, {}, "Inv Level", "Max", true},
        {{Pos(8, ByStage)}, {}, "Inv Level", "By Stage", true},
        {{Pos(8, Min)}, {}, "Inv Level", "ANY", true},
        {{Pos(8, ByStage)}, {}, "Inv Level", "ANY", false},  // "By Stage" does not count
        {{}, {1}, "Demand", "ANY", true},                     // an other item makes every ANY true
        {{}, {0}, "Failed", "ANY", true},
        {{Pos(0, Mean)}, {}, "Total Cost", "Avg", false},     // an unknown word
        {{Pos(0, Mean)}, {}, "Total Cost", "mean", false},
        {{Pos(0, Mean)}, {}, "total cost", "Mean", true},     // no metric of that text: nothing matched
        {{}, {0}, "SD of Total Cost", "", true},
        {{}, {0}, "SD of Total Cost", "Mean", true},          // the word is ignored
        {{}, {0}, "Mean of SD of Order Qty", "", false},
        {{}, {}, "Serv Time Histogram", "Mean", true},        // not offered: matches nothing
        {{}, {}, "", "", true},
    };
    for (const TCase& C : Cases) {
        EXPECT_EQ(With(C.Standard, C.Other).IsMeasureChecked(C.Measure, C.Statistic), C.Expected)
            << C.Measure << " / " << C.Statistic;
    }
}

TEST(BatchOptions, LoadReadsIntegersAndNamesInAnyCase)
{
    TScratchDir Dir;
    const fs::path File = Dir.Path / "options.ini";
    PutFile(File, "[total cost]\r\nmeanchecked = 2\r\nSEMChecked=-1\r\nMinChecked=yes\r\nMaxChecked=0x10\r\n"
                  "[Inv Level]\rByStageChecked=0\rMeanChecked=$0\r"
                  "[Order Qty]\nbystagechecked=1\n[OTHERMEASURES]\nMeanSDOrderQty=1\nSDTtlCost=1.0\n");
    TReportOptions O;
    O.LoadOptions(File.string());
    EXPECT_EQ(CheckedStandard(O), (std::vector<int>{Pos(0, Mean), Pos(0, SEM), Pos(0, Max), Pos(7, ByStage)}));
    EXPECT_FALSE(O.Other(0).Checked);
    EXPECT_TRUE(O.Other(1).Checked);
    EXPECT_FALSE(O.Standard(Pos(8, ByStage)).Enabled);  // loading does not enable

    const TOptionMarks Loaded = O.Marks();
    EXPECT_NE(O.LoadOptions((Dir.Path / "missing.ini").string()).find("missing.ini"), std::string::npos);
    EXPECT_EQ(Checked(O.Marks()), Checked(Loaded));  // a file that gives nothing changes nothing

    PutFile(File, "[Inv Level]\nMeanChecked=1\n");
    O.LoadOptions(File.string());
    EXPECT_EQ(CheckedStandard(O), std::vector<int>{Pos(8, Mean)});  // the disabled "By Stage" items too
    EXPECT_FALSE(O.Other(1).Checked);
}

TEST(BatchOptions, SavedOptionsLoadBackAndFailedSaveKeepsTheFile)
{
    TScratchDir Dir;
    const fs::path File = Dir.Path / "new" / "folder" / "ORVTVOFusr.ini";
    const TReportOptions Saved = With({Pos(0, Mean), Pos(4, Max), Pos(13, Mean), Pos(13, ByStage)}, {0});
    const TFileResult R = Saved.SaveOptions(File.string());
    ASSERT_TRUE(R.Ok) << R.Message;
    TReportOptions Loaded;
    Loaded.LoadOptions(File.string());
    EXPECT_EQ(CheckedStandard(Loaded), CheckedStandard(Saved));
    EXPECT_TRUE(Loaded.Other(0).Checked);
    EXPECT_FALSE(Loaded.Other(1).Checked);
    EXPECT_EQ(TProfile::Load(File.string()).Value("Fill Rate", "ByStageChecked"), "1");
    EXPECT_EQ(TProfile::Load(File.string()).Value("Failed", "ByStageChecked"), "0");

    const std::string Before = FileBytes(File);
    const fs::path Blocked = Dir.Path / "plain" / "ORVTVOFusr.ini";
    PutFile(Dir.Path / "plain", "a file, not a folder");
    const TFileResult Failed = TReportOptions{}.SaveOptions(Blocked.string());
    EXPECT_FALSE(Failed.Ok);
    EXPECT_EQ(Failed.Message, "Unable to write to " + Blocked.string());
    const TFileResult OnFolder = TReportOptions{}.SaveOptions((Dir.Path / "new").string());
    EXPECT_EQ(OnFolder.Message, "Unable to write to " + (Dir.Path / "new").string());
    EXPECT_EQ(FileBytes(File), Before);
}

TEST(BatchOptions, ClicksAndHeadingDoubleClick)
{
    TReportOptions O = With({Pos(0, Mean)});
    O.DoubleClickStandard(Pos(0, 0));
    EXPECT_EQ(CheckedStandard(O), (std::vector<int>{Pos(0, Mean), Pos(0, SEM), Pos(0, Min), Pos(0, Max)}));
    O.ClickStandard(Pos(0, ByStage));
    O.DoubleClickStandard(Pos(0, 0));
    EXPECT_EQ(CheckedStandard(O), std::vector<int>{Pos(0, ByStage)});  // "By Stage" stays

    O.DoubleClickStandard(Pos(9, ByStage));  // disabled: nothing
    O.ClickStandard(Pos(9, ByStage));
    EXPECT_FALSE(O.Standard(Pos(9, ByStage)).Checked);
    O.SetEnabled(Pos(9, ByStage), true);
    O.ClickStandard(Pos(9, ByStage));
    EXPECT_TRUE(O.Standard(Pos(9, ByStage)).Checked);
    O.DoubleClickStandard(Pos(9, SEM));
    EXPECT_TRUE(O.Standard(Pos(9, SEM)).Checked);

    O.DoubleClickOther(-1);  // none selected: the first
    EXPECT_TRUE(O.Other(0).Checked);
    O.DoubleClickOther(1);
    O.DoubleClickOther(0);
    EXPECT_FALSE(O.Other(0).Checked);
    EXPECT_TRUE(O.Other(1).Checked);
}

TEST(BatchOptions, StartRestoreDefaultsAndCancel)
{
    TScratchDir Dir;
    const std::string Defaults = (Dir.Path / "ORVTVOF.ini").string();
    const std::string User = (Dir.Path / "ORVTVOFusr.ini").string();
    PutFile(Defaults, "[Inv Level]\nMeanChecked=1\nByStageChecked=1\n");
    PutFile(User, "[Inv Level]\nMeanChecked=0\n[Total Cost]\nMeanChecked=1\n");

    TReportOptions O;
    O.LoadStartOptions(Defaults, User);
    EXPECT_EQ(CheckedStandard(O), std::vector<int>{Pos(0, Mean)});  // the user file wins

    const TOptionMarks Shown = O.Marks();  // the window is shown
    O.ClickStandard(Pos(2, Min));
    ASSERT_TRUE(O.RestoreDefaults(Defaults, User).Ok);
    EXPECT_EQ(CheckedStandard(O), (std::vector<int>{Pos(8, Mean), Pos(8, ByStage)}));
    EXPECT_FALSE(fs::exists(User));
    O.SetMarks(Shown);  // Cancel
    EXPECT_EQ(CheckedStandard(O), std::vector<int>{Pos(0, Mean)});
    EXPECT_FALSE(fs::exists(User));  // stays deleted

    TReportOptions Restarted;
    Restarted.LoadStartOptions(Defaults, User);
    EXPECT_EQ(CheckedStandard(Restarted), (std::vector<int>{Pos(8, Mean), Pos(8, ByStage)}));
    EXPECT_TRUE(Restarted.RestoreDefaults(Defaults, User).Ok);  // no user file: nothing to delete

    fs::remove(Defaults);  // an incomplete installation
    ASSERT_TRUE(Restarted.RestoreDefaults(Defaults, User).Ok);
    EXPECT_EQ(Checked(Restarted.Marks()), Checked(BuiltInDefaultMarks()));
}

TEST(BatchOptions, UnusableFilesAreReplacedByDefaultsWithAWarning)
{
    enum class TFile { Missing, Fine, Folder, Unreadable, NoSections };
    enum class TSource { User, Delivered, BuiltIn, OptionsFile, Kept };
    struct TCase {
        const char* Why;
        TFile User;
        TFile Delivered;
        const char* Options;  // nullptr: the start options from both files; else --options with this text
        TSource Expected;
        std::vector<std::string> Warnings;  // a text each warning holds, in order
    };
    const TCase Cases[] = {
        {"both fine", TFile::Fine, TFile::Fine, nullptr, TSource::User, {}},
        {"no user file", TFile::Missing, TFile::Fine, nullptr, TSource::Delivered, {}},
        {"user file a folder", TFile::Folder, TFile::Fine, nullptr, TSource::Delivered, {"ORVTVOFusr.ini: Is a directory"}},
        {"user file unreadable", TFile::Unreadable, TFile::Fine, nullptr, TSource::Delivered,
         {"ORVTVOFusr.ini: Permission denied"}},
        {"user file of another program", TFile::NoSections, TFile::Fine, nullptr, TSource::Delivered,
         {"ORVTVOFusr.ini holds none of the batch reporting options' sections"}},
        {"delivered file missing", TFile::Missing, TFile::Missing, nullptr, TSource::BuiltIn,
         {"ORVTVOF.ini: No such file or directory"}},
        {"both unusable", TFile::Folder, TFile::NoSections, nullptr, TSource::BuiltIn,
         {"ORVTVOFusr.ini: Is a directory", "ORVTVOF.ini holds none"}},
        {"delivered file missing but not needed", TFile::Fine, TFile::Missing, nullptr, TSource::User, {}},
        {"--options without a section", TFile::Fine, TFile::Fine, "[Stages]\nCount=2\n", TSource::Kept,
         {"holds none of the batch reporting options' sections ([Total Cost], ..., [OtherMeasures])."}},
        {"--options with a section in any case", TFile::Fine, TFile::Fine, "[failed]\nmaxchecked=1\n",
         TSource::OptionsFile, {}},
    };
    const TOptionMarks Before = With({Pos(2, Min)}).Marks();
    const std::map<TSource, TOptionMarks> Marks = {
        {TSource::User, With({Pos(0, Mean)}).Marks()},
        {TSource::Delivered, With({Pos(8, Mean), Pos(8, ByStage)}).Marks()},
        {TSource::BuiltIn, BuiltInDefaultMarks()},
        {TSource::OptionsFile, With({Pos(15, Max)}).Marks()},
        {TSource::Kept, Before},
    };
    for (const TCase& C : Cases) {
        if (C.User == TFile::Unreadable && ::geteuid() == 0) {
            continue;  // root reads every file
        }
        TScratchDir Dir;
        const fs::path Files[] = {Dir.Path / "ORVTVOFusr.ini", Dir.Path / "ORVTVOF.ini"};
        const std::string Contents[] = {"[Total Cost]\nMeanChecked=1\n", "[Inv Level]\nMeanChecked=1\nByStageChecked=1\n"};
        for (const int F : {0, 1}) {
            switch (F == 0 ? C.User : C.Delivered) {
            case TFile::Missing:
                break;
            case TFile::Fine:
                PutFile(Files[F], Contents[F]);
                break;
            case TFile::Folder:
                fs::create_directory(Files[F]);
                break;
            case TFile::Unreadable:
                PutFile(Files[F], Contents[F]);
                fs::permissions(Files[F], fs::perms::none);
                break;
            case TFile::NoSections:
                PutFile(Files[F], "; another program's settings\n[Window]\nLeft=10\n");
                break;
            }
        }
        TReportOptions O;
        O.SetMarks(Before);
        std::vector<std::string> Warnings;
        if (C.Options == nullptr) {
            Warnings = O.LoadStartOptions(Files[1].string(), Files[0].string());
        } else if (const std::string Refused = O.LoadOptions(TProfile::Parse(C.Options)); !Refused.empty()) {
            Warnings.push_back(Refused);
        }
        EXPECT_EQ(Checked(O.Marks()), Checked(Marks.at(C.Expected))) << C.Why;
        ASSERT_EQ(Warnings.size(), C.Warnings.size()) << C.Why;
        for (std::size_t I = 0; I < Warnings.size(); ++I) {
            EXPECT_NE(Warnings[I].find(C.Warnings[I]), std::string::npos) << C.Why << ": " << Warnings[I];
            EXPECT_EQ(Warnings[I].find('\n'), std::string::npos) << C.Why;  // one line each
        }
    }
}

TEST(BatchOptions, ChoosesAnyMeasureExactlyWhenTheTableHasAStatisticColumn)
{
    struct TCase {
        std::vector<int> Standard;
        std::vector<int> Other;
        bool Expected;
    };
    const TCase Cases[] = {
        {{}, {}, false},
        {{Pos(0, ByStage), Pos(8, ByStage)}, {}, false},  // "By Stage" alone reports nothing
        {{Pos(3, Max)}, {}, true},                        // a cost's statistic: a system column
        {{Pos(8, Mean)}, {}, false},                      // any other only under its "By Stage"
        {{Pos(8, Mean), Pos(8, ByStage)}, {}, true},
        {{}, {0}, true},                                  // SD of Total Cost
        {{}, {1}, false},                                 // Mean of SD of Order Qty goes with Order Qty's "By Stage"
        {{Pos(7, ByStage)}, {1}, true},
    };
    const TParamSet NoParams(1, 0);
    for (const TCase& C : Cases) {
        const TReportOptions O = With(C.Standard, C.Other);
        const std::string Why = ::testing::PrintToString(C.Standard) + " " + ::testing::PrintToString(C.Other);
        EXPECT_EQ(O.ChoosesAnyMeasure(), C.Expected) << Why;
        EXPECT_EQ(!ChooseResultColumns(NoParams, 1, O).empty(), C.Expected) << Why;  // the table agrees
    }
}

TEST(BatchOptions, BuiltInDefaultsAreTheDeliveredFile)
{
    TReportOptions Delivered;
    ASSERT_EQ(Delivered.LoadOptions(ORVANTIS_SOURCE_DIR "/batch/ORVTVOF.ini"), "");
    EXPECT_EQ(Checked(Delivered.Marks()), Checked(BuiltInDefaultMarks()));
}

TEST(BatchOptions, DeliveredDefaultsReportCostsServiceAndEveryByStage)
{
    const std::string Delivered = ORVANTIS_SOURCE_DIR "/batch/ORVTVOF.ini";
    EXPECT_EQ(FileBytes(ORVANTIS_BUILD_DIR "/ORVTVOF.ini"), FileBytes(Delivered));  // beside the executables
    TReportOptions O;
    O.LoadOptions(Delivered);
    for (int J = 0; J < 5; ++J) {
        EXPECT_TRUE(O.IsMeasureChecked(MetricNames[static_cast<std::size_t>(J)], "Mean")) << J;
    }
    EXPECT_TRUE(O.IsMeasureChecked("Total Cost", "SEM"));
    for (int J = 5; J < NumMetrics; ++J) {
        EXPECT_TRUE(O.IsMeasureChecked(MetricNames[static_cast<std::size_t>(J)], "By Stage")) << J;
    }
    EXPECT_TRUE(O.IsMeasureChecked("Fill Rate", "Mean"));
    EXPECT_TRUE(O.IsMeasureChecked("Type1SL", "Mean"));
}
