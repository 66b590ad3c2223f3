#pragma once
#include <array>
#include <string>
#include <vector>

#include "platform/TextFile.h"
#include "stats/Stats.h"

class TProfile;

// Metrics 0..4 are the costs, the ones with system columns; the rest are reported per stage only.
inline constexpr int NumCostMetrics = 5;
// The statistics a metric can be reported with, in column order.
inline constexpr std::array<const char*, 4> StatisticTexts = {"Mean", "SEM", "Min", "Max"};

// One item of a check list of the reporting options.
struct TOptionItem {
    std::string Text;
    bool Heading = false;  // shown as a heading, without a check box
    bool Enabled = true;
    bool Checked = false;
};

// The check marks of every item, as a snapshot for "Cancel".
struct TOptionMarks {
    std::array<bool, 6 * NumMetrics> Standard{};
    std::array<bool, 2> Other{};
};

// The batch reporting options: which measures and statistics the results table reports. The
// options window shows these two lists and only calls these operations.
//
// The standard list holds, for each metric j = 0..15, six items at positions 6j..6j+5: the
// metric's name (a heading), "Mean", "SEM", "Min", "Max" and "By Stage". "By Stage" of the
// metrics that are no cost (5..15) is created checked and disabled. The other list holds
// "SD of Total Cost" and "Mean of SD of Order Qty".
class TReportOptions {
public:
    static constexpr int NumStandard = 6 * NumMetrics;  // 96
    static constexpr int NumOther = 2;
    static constexpr int PosMean = 1, PosSEM = 2, PosMin = 3, PosMax = 4, PosByStage = 5;  // within a metric

    TReportOptions();

    const TOptionItem& Standard(int Pos) const { return Standard_[static_cast<std::size_t>(Pos)]; }
    const TOptionItem& Other(int Pos) const { return Other_[static_cast<std::size_t>(Pos)]; }

    // Whether the results table reports Measure with Statistic:
    // - Measure names a metric (a heading, exact text): Statistic "Mean", "SEM", "Min", "Max" or
    //   "By Stage" gives that item's mark; "ANY" is true when any of the metric's Mean, SEM, Min or
    //   Max is checked, or either item of the other list is; any other word is false.
    // - Measure names an item of the other list: its mark (Statistic is ignored).
    // - Measure names nothing: true.
    bool IsMeasureChecked(const std::string& Measure, const std::string& Statistic) const;

    // Whether the results table has at least one statistic column (for a model of at least one
    // stage): a cost's Mean, SEM, Min or Max, "SD of Total Cost", or a Mean, SEM, Min or Max of
    // a metric whose "By Stage" is checked, or "Mean of SD of Order Qty" when Order Qty's is.
    bool ChoosesAnyMeasure() const;

    // Every check mark of both lists from Profile (see the file layout in ReportOptions.cpp); a
    // missing section or key, or a value that is no integer, reads as unchecked. Which items are
    // enabled does not change. Returns "" when the marks were taken. A profile with none of the
    // options' sections (compared as the profile compares names) is no options file: the marks
    // stay, and the result is the reason, to follow the file's name: "holds none of the batch
    // reporting options' sections ([Total Cost], ..., [OtherMeasures])."
    std::string LoadOptions(const TProfile& Profile);
    // The same from the profile file at Path, the refusal as "<Path> holds none of ...". A file
    // that cannot be read also leaves the marks: "Cannot read file <Path>:\n<reason>."
    std::string LoadOptions(const std::string& Path);
    // Writes every check mark, as 1 or 0, to the profile file at Path (created with its folder
    // when missing), replacing it atomically: on failure the old file stays whole and the
    // message is "Unable to write to <Path>".
    TFileResult SaveOptions(const std::string& Path) const;

    // A click on a check box item: toggles it unless it is a heading or disabled.
    void ClickStandard(int Pos);
    void ClickOther(int Pos);
    // A double-click on the standard list: on a heading, checks Mean, SEM, Min and Max of its
    // metric, or unchecks all four when all four are checked ("By Stage" stays); on any other
    // item, as a click.
    void DoubleClickStandard(int Pos);
    // A double-click on the other list toggles the selected item (Pos), the first when none is
    // selected (Pos < 0).
    void DoubleClickOther(int Pos);
    // Enables or disables a check box item of the standard list.
    void SetEnabled(int Pos, bool Enabled);

    TOptionMarks Marks() const;
    void SetMarks(const TOptionMarks& Marks);

    // "Restore Defaults": the marks of the delivered file (the built-in defaults when it is not
    // usable; LoadStartOptions has said so), then the user's file is deleted (a missing one is no
    // failure). On failure to delete, the message is "Unable to delete <Path>".
    TFileResult RestoreDefaults(const std::string& DefaultsPath, const std::string& UserPath);
    // Its two halves, for a window that deletes the file only when the user confirms: the marks,
    // and the deletion of the user's file.
    void RestoreDefaultMarks(const std::string& DefaultsPath);
    static TFileResult DeleteUserOptions(const std::string& UserPath);
    // The marks at program start: the user's file when it exists, else the delivered one. The
    // result holds a warning, one line each, for every file that had to be passed over:
    // - a user file that exists but cannot be read or is refused by LoadOptions: the reader's
    //   message or the refusal, then " The delivered batch reporting options are used instead."
    // - a delivered file needed but missing, unreadable or refused: the same, then " Orvantis is
    //   not installed completely; the same batch reporting options, built into the program, are
    //   used." (the marks of BuiltInDefaultMarks).
    // Empty when the marks came from a file as planned; an empty UserPath means no user file.
    std::vector<std::string> LoadStartOptions(const std::string& DefaultsPath, const std::string& UserPath);

private:
    static int Position(int Metric, int Item) { return 6 * Metric + Item; }

    std::array<TOptionItem, NumStandard> Standard_;
    std::array<TOptionItem, NumOther> Other_;
};

// The marks of the delivered file batch/ORVTVOF.ini, built into the program for an installation
// that lacks it; a test keeps the two equal.
TOptionMarks BuiltInDefaultMarks();

// The file names of the two profile files.
inline constexpr const char* DefaultOptionsFileName = "ORVTVOF.ini";
inline constexpr const char* UserOptionsFileName = "ORVTVOFusr.ini";
// The delivered defaults: beside the executable, or in ../share/orvantis from it.
std::string DefaultOptionsPath();
// The user's defaults, in the user's settings folder.
std::string UserOptionsPath();
