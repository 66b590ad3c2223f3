#include "batch/ReportOptions.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/Profile.h"

// The profile files: a section per metric name ([Total Cost] ... [Failed]) with the keys below,
// and the section [OtherMeasures] with "SDTtlCost" and "MeanSDOrderQty". Values 1 and 0.

namespace {

// Item texts and profile keys of a metric's five check boxes, by position 1..5.
const std::array<const char*, 6> ItemTexts = {"", StatisticTexts[0], StatisticTexts[1], StatisticTexts[2],
                                              StatisticTexts[3], "By Stage"};
const std::array<const char*, 6> ItemKeys = {"", "MeanChecked", "SEMChecked", "MinChecked", "MaxChecked", "ByStageChecked"};

const std::array<const char*, TReportOptions::NumOther> OtherTexts = {"SD of Total Cost", "Mean of SD of Order Qty"};
const std::array<const char*, TReportOptions::NumOther> OtherKeys = {"SDTtlCost", "MeanSDOrderQty"};
const char* const OtherSection = "OtherMeasures";

// Per metric, the marks of Mean, SEM, Min, Max and "By Stage" in batch/ORVTVOF.ini, and those of
// the other list.
constexpr std::array<const char*, NumMetrics> BuiltInStandard = {
    "11000",  // Total Cost
    "10000",  // Order Cost
    "10000",  // Holding Cost
    "10000",  // WIP Holding Cost
    "10000",  // Stockout Cost
    "00001",  // Demand
    "00001",  // Derived Demand
    "00001",  // Order Qty
    "00001",  // Inv Level
    "00001",  // Backorders
    "00001",  // On Order
    "00001",  // In Process
    "10001",  // Type1SL
    "10001",  // Fill Rate
    "00001",  // Within CST
    "00001",  // Failed
};
constexpr std::array<bool, TReportOptions::NumOther> BuiltInOther = {false, false};

const char* const NoSectionsText =
    "holds none of the batch reporting options' sections ([Total Cost], ..., [OtherMeasures]).";
const char* const UserPassedOver = " The delivered batch reporting options are used instead.";
const char* const DeliveredPassedOver =
    " Orvantis is not installed completely; the same batch reporting options, built into the program, are used.";

std::string PathIn(const std::string& Folder, const char* Name)
{
    return Folder.empty() ? std::string() : (std::filesystem::path(Folder) / Name).string();
}

// A warning is one line: the reader puts the reason on a line of its own.
std::string OnOneLine(std::string Text)
{
    for (char& C : Text) {
        if (C == '\n' || C == '\r') {
            C = ' ';
        }
    }
    return Text;
}

}  // namespace

TReportOptions::TReportOptions()
{
    for (int J = 0; J < NumMetrics; ++J) {
        Standard_[static_cast<std::size_t>(Position(J, 0))] = TOptionItem{MetricNames[static_cast<std::size_t>(J)], true, true, false};
        for (int Item = PosMean; Item <= PosByStage; ++Item) {
            TOptionItem& I = Standard_[static_cast<std::size_t>(Position(J, Item))];
            I.Text = ItemTexts[static_cast<std::size_t>(Item)];
            // Non-cost metrics can only be reported per stage.
            const bool Fixed = Item == PosByStage && J >= NumCostMetrics;
            I.Enabled = !Fixed;
            I.Checked = Fixed;
        }
    }
    for (int K = 0; K < NumOther; ++K) {
        Other_[static_cast<std::size_t>(K)] = TOptionItem{OtherTexts[static_cast<std::size_t>(K)], false, true, false};
    }
}

bool TReportOptions::IsMeasureChecked(const std::string& Measure, const std::string& Statistic) const
{
    for (int J = 0; J < NumMetrics; ++J) {
        if (Standard(Position(J, 0)).Text != Measure) {
            continue;
        }
        if (Statistic == "ANY") {
            for (int Item = PosMean; Item <= PosMax; ++Item) {
                if (Standard(Position(J, Item)).Checked) {
                    return true;
                }
            }
            return Other(0).Checked || Other(1).Checked;
        }
        for (int Item = PosMean; Item <= PosByStage; ++Item) {
            if (Statistic == ItemTexts[static_cast<std::size_t>(Item)]) {
                return Standard(Position(J, Item)).Checked;
            }
        }
        return false;
    }
    for (const TOptionItem& O : Other_) {
        if (O.Text == Measure) {
            return O.Checked;
        }
    }
    return true;
}

bool TReportOptions::ChoosesAnyMeasure() const
{
    // As ChooseResultColumns: a cost's statistics have a system column, any metric's have stage
    // columns under its "By Stage", and "Mean of SD of Order Qty" goes with Order Qty's.
    if (Other(0).Checked || (Other(1).Checked && Standard(Position(MetricOrderQty, PosByStage)).Checked)) {
        return true;
    }
    for (int J = 0; J < NumMetrics; ++J) {
        const bool HasColumns = J < NumCostMetrics || Standard(Position(J, PosByStage)).Checked;
        for (int Item = PosMean; Item <= PosMax; ++Item) {
            if (HasColumns && Standard(Position(J, Item)).Checked) {
                return true;
            }
        }
    }
    return false;
}

std::string TReportOptions::LoadOptions(const std::string& Path)
{
    std::string Message;
    const std::optional<TProfile> Profile = TProfile::Read(Path, Message);
    if (!Profile) {
        return Message;
    }
    const std::string Refused = LoadOptions(*Profile);
    return Refused.empty() ? Refused : Path + " " + Refused;
}

std::string TReportOptions::LoadOptions(const TProfile& Profile)
{
    bool AnySection = Profile.HasSection(OtherSection);
    for (int J = 0; J < NumMetrics; ++J) {
        AnySection = AnySection || Profile.HasSection(MetricNames[static_cast<std::size_t>(J)]);
    }
    if (!AnySection) {
        return NoSectionsText;
    }
    for (int J = 0; J < NumMetrics; ++J) {
        const std::string& Section = MetricNames[static_cast<std::size_t>(J)];
        for (int Item = PosMean; Item <= PosByStage; ++Item) {
            Standard_[static_cast<std::size_t>(Position(J, Item))].Checked =
                Profile.ReadInteger(Section, ItemKeys[static_cast<std::size_t>(Item)], 0) != 0;
        }
    }
    for (int K = 0; K < NumOther; ++K) {
        Other_[static_cast<std::size_t>(K)].Checked = Profile.ReadInteger(OtherSection, OtherKeys[static_cast<std::size_t>(K)], 0) != 0;
    }
    return {};
}

TFileResult TReportOptions::SaveOptions(const std::string& Path) const
{
    TProfile Profile;
    for (int J = 0; J < NumMetrics; ++J) {
        for (int Item = PosMean; Item <= PosByStage; ++Item) {
            Profile.Write(MetricNames[static_cast<std::size_t>(J)], ItemKeys[static_cast<std::size_t>(Item)],
                          Standard(Position(J, Item)).Checked ? "1" : "0");
        }
    }
    for (int K = 0; K < NumOther; ++K) {
        Profile.Write(OtherSection, OtherKeys[static_cast<std::size_t>(K)], Other(K).Checked ? "1" : "0");
    }
    const TFileResult Failed{false, "Unable to write to " + Path};
    const std::filesystem::path Folder = std::filesystem::path(Path).parent_path();
    std::error_code Ec;
    if (!Folder.empty()) {
        std::filesystem::create_directories(Folder, Ec);  // the settings folder of a new user
        if (Ec) {
            return Failed;
        }
    }
    return SaveProfile(Path, Profile).Ok ? TFileResult{} : Failed;
}

void TReportOptions::ClickStandard(int Pos)
{
    TOptionItem& I = Standard_[static_cast<std::size_t>(Pos)];
    if (!I.Heading && I.Enabled) {
        I.Checked = !I.Checked;
    }
}

void TReportOptions::ClickOther(int Pos)
{
    TOptionItem& I = Other_[static_cast<std::size_t>(Pos)];
    if (I.Enabled) {
        I.Checked = !I.Checked;
    }
}

void TReportOptions::DoubleClickStandard(int Pos)
{
    if (!Standard(Pos).Heading) {
        ClickStandard(Pos);
        return;
    }
    bool AllChecked = true;
    for (int Item = PosMean; Item <= PosMax; ++Item) {
        AllChecked = AllChecked && Standard(Pos + Item).Checked;
    }
    for (int Item = PosMean; Item <= PosMax; ++Item) {
        Standard_[static_cast<std::size_t>(Pos + Item)].Checked = !AllChecked;
    }
}

void TReportOptions::DoubleClickOther(int Pos)
{
    ClickOther(Pos < 0 ? 0 : Pos);
}

void TReportOptions::SetEnabled(int Pos, bool Enabled)
{
    TOptionItem& I = Standard_[static_cast<std::size_t>(Pos)];
    if (!I.Heading) {
        I.Enabled = Enabled;
    }
}

TOptionMarks TReportOptions::Marks() const
{
    TOptionMarks M;
    for (int P = 0; P < NumStandard; ++P) {
        M.Standard[static_cast<std::size_t>(P)] = Standard(P).Checked;
    }
    for (int K = 0; K < NumOther; ++K) {
        M.Other[static_cast<std::size_t>(K)] = Other(K).Checked;
    }
    return M;
}

void TReportOptions::SetMarks(const TOptionMarks& Marks)
{
    for (int P = 0; P < NumStandard; ++P) {
        Standard_[static_cast<std::size_t>(P)].Checked = Marks.Standard[static_cast<std::size_t>(P)];
    }
    for (int K = 0; K < NumOther; ++K) {
        Other_[static_cast<std::size_t>(K)].Checked = Marks.Other[static_cast<std::size_t>(K)];
    }
}

TFileResult TReportOptions::RestoreDefaults(const std::string& DefaultsPath, const std::string& UserPath)
{
    RestoreDefaultMarks(DefaultsPath);
    return DeleteUserOptions(UserPath);
}

void TReportOptions::RestoreDefaultMarks(const std::string& DefaultsPath)
{
    if (!LoadOptions(DefaultsPath).empty()) {
        SetMarks(BuiltInDefaultMarks());
    }
}

TFileResult TReportOptions::DeleteUserOptions(const std::string& UserPath)
{
    if (!UserPath.empty() && !DeleteProfile(UserPath)) {
        return TFileResult{false, "Unable to delete " + UserPath};
    }
    return TFileResult{};
}

std::vector<std::string> TReportOptions::LoadStartOptions(const std::string& DefaultsPath, const std::string& UserPath)
{
    std::vector<std::string> Warnings;
    std::error_code Ec;
    // A path that cannot even be looked at exists for all we know: reading it says why.
    if (!UserPath.empty() && (std::filesystem::exists(UserPath, Ec) || Ec)) {
        const std::string Problem = LoadOptions(UserPath);
        if (Problem.empty()) {
            return Warnings;
        }
        Warnings.push_back(OnOneLine(Problem) + UserPassedOver);
    }
    const std::string Problem = DefaultsPath.empty()
                                    ? std::string("The folder of the program, which holds ") + DefaultOptionsFileName + ", is unknown."
                                    : LoadOptions(DefaultsPath);
    if (!Problem.empty()) {
        SetMarks(BuiltInDefaultMarks());
        Warnings.push_back(OnOneLine(Problem) + DeliveredPassedOver);
    }
    return Warnings;
}

TOptionMarks BuiltInDefaultMarks()
{
    TOptionMarks Marks;
    for (std::size_t J = 0; J < BuiltInStandard.size(); ++J) {
        for (std::size_t Item = 0; Item < 5; ++Item) {
            Marks.Standard[6 * J + 1 + Item] = BuiltInStandard[J][Item] == '1';
        }
    }
    Marks.Other = BuiltInOther;
    return Marks;
}

std::string DefaultOptionsPath()
{
    return DeliveredFilePath(ExecutableFolder(), DefaultOptionsFileName);
}

std::string UserOptionsPath()
{
    return PathIn(UserConfigFolder(), UserOptionsFileName);
}
