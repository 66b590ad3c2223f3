// The batch windows: "Batch Runs" refuses a batch with the core's messages and runs one on the main
// window's model with the lines of orvantis-cli batch; "Batch Runs Reporting Options" shows the
// core's options, and "Cancel" and the profile files bring marks back.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

#include <QComboBox>
#include <QCursor>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "app/Cli.h"
#include "batch/BatchRun.h"
#include "batch/ParamSet.h"
#include "batch/ReportOptions.h"
#include "engine/ParamCatalogue.h"
#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "reports/ModelParamTable.h"
#include "support/GuiTest.h"
#include "support/MainWindowHarness.h"
#include "text/NumberText.h"
#include "ui/BatchChart.h"
#include "ui/ChartView.h"
#include "ui/OptimiseWindow.h"

namespace {

const std::string Chain = ORVANTIS_EXAMPLES_DIR "/serial_chain.txt";
constexpr int BSLevelPos = ParamBaseStockLevel + 1;  // its place in a row's parameter list

template <class T = QWidget>
T& ChildOf(QWidget& Parent, const char* Name)
{
    T* Found = Parent.findChild<T*>(Name);
    if (!Found) {
        qFatal("no control %s", Name);
    }
    return *Found;
}

void WriteFile(const std::string& Path, const std::string& Bytes)
{
    std::ofstream(Path, std::ios::binary) << Bytes;
}

std::string FileBytes(const std::string& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

// The program's windows with the batch window shown, after loading the serial chain through the
// Load command when asked to.
struct TBatchHarness : TMainWindowHarness {
    TBatchRunsWindow& Batch = Windows.BatchRuns;

    explicit TBatchHarness(bool LoadChain = true)
    {
        if (LoadChain) {
            Files.Answers = {Chain};
            Click("LoadButton");
        }
        Click("BatchRunsButton");
        Files.Asked.clear();
    }
    template <class T = QWidget>
    T& In(const char* Name)
    {
        return ChildOf<T>(Batch, Name);
    }
    void ClickIn(const char* Name) { QTest::mouseClick(&In<QPushButton>(Name), Qt::LeftButton); }
    // "&Go", then events until the batch has ended.
    void RunBatch()
    {
        ClickIn("StartButton");
        QTRY_VERIFY_WITH_TIMEOUT(!Batch.Running(), 120000);
    }
    void SetSettings(const char* Seed, const char* Periods, const char* WarmUp)
    {
        Child<QLineEdit>("RandSeedEdit").setText(Seed);
        Child<QLineEdit>("NumPeriodsEdit").setText(Periods);
        Child<QLineEdit>("WarmUpEdit").setText(WarmUp);
    }
    void SetRow(int N, const TSweepRow& Row)
    {
        const QByteArray Num = QByteArray::number(N);
        In<QComboBox>("ParamList" + Num).setCurrentIndex(Row.ParamPos);
        const std::pair<const char*, std::string> Fields[] = {
            {"FirstStageEdit", Row.FirstStage}, {"LastStageEdit", Row.LastStage}, {"FirstValueEdit", Row.FirstValue},
            {"LastValueEdit", Row.LastValue}, {"StepEdit", Row.Step}};
        for (const auto& [Name, Text] : Fields) {
            In<QLineEdit>(QByteArray(Name) + Num).setText(QString::fromStdString(Text));
        }
    }
    QString GridText(int Index) { return Child<QTableWidget>("ParamGrid").item(Index, 1)->text(); }
};

// What orvantis-cli prints on standard output for Args, run in-process, line by line; empty when
// it fails.
std::vector<std::string> CliLines(const std::vector<std::string>& Args)
{
    std::ostringstream Out;
    std::ostringstream Err;
    const TCliEnvironment Env{LocaleDecimalSeparator(), "", false, DefaultOptionsPath(), UserOptionsPath()};
    std::vector<std::string> Lines;
    if (RunCli(Args, Out, Err, Env) != 0) {
        return Lines;
    }
    std::istringstream In(Out.str());
    for (std::string Line; std::getline(In, Line);) {
        Lines.push_back(Line);
    }
    return Lines;
}

// The marks the two lists show.
TOptionMarks ShownMarks(TBatchOptionsWindow& Window)
{
    TOptionMarks Marks;
    const auto Read = [&Window](const char* Name, auto& Into) {
        auto& List = ChildOf<QListWidget>(Window, Name);
        for (int Pos = 0; Pos < List.count(); ++Pos) {
            Into[static_cast<std::size_t>(Pos)] = List.item(Pos)->checkState() == Qt::Checked;
        }
    };
    Read("StandardList", Marks.Standard);
    Read("OtherList", Marks.Other);
    return Marks;
}

bool operator==(const TOptionMarks& A, const TOptionMarks& B)
{
    return A.Standard == B.Standard && A.Other == B.Other;
}

// A double-click on the item's text, as the mouse gives it: a click, then the double-click.
void DoubleClick(QListWidget& List, int Row)
{
    const QPoint Text = List.visualItemRect(List.item(Row)).center();
    QTest::mouseClick(List.viewport(), Qt::LeftButton, {}, Text);
    QTest::mouseDClick(List.viewport(), Qt::LeftButton, {}, Text);
}

TOptionMarks DeliveredMarks()
{
    TReportOptions Delivered;
    Delivered.LoadOptions(DefaultOptionsPath());
    return Delivered.Marks();
}

}  // namespace

class BatchWindowsTest : public QObject {
    Q_OBJECT
    QTemporaryDir Config;

private slots:
    void initTestCase()
    {
        // The user's options file of these tests, never the real one.
        qputenv("XDG_CONFIG_HOME", Config.path().toLocal8Bit());
        QVERIFY2(std::filesystem::exists(DefaultOptionsPath()), DefaultOptionsPath().c_str());
    }
    void init() { std::filesystem::remove(UserOptionsPath()); }
    void cleanup()
    {
        QVERIFY(Silent.Shown.empty());
        Silent.Shown.clear();
    }

    void windowsStartHiddenAndTheBatchWindowShowsItsControls()
    {
        TMainWindowHarness H;
        QVERIFY(!H.Windows.BatchRuns.isVisible() && !H.Windows.BatchOptions.isVisible());
        H.Click("BatchRunsButton");
        TBatchRunsWindow& W = H.Windows.BatchRuns;
        QVERIFY(W.isVisible() && !W.isModal());
        QCOMPARE(W.windowTitle(), QString("Batch Runs"));
        QCOMPARE(W.minimumWidth(), 780);
        QVERIFY(W.minimumSizeHint().width() <= 780);  // the rows fit the narrowest window
        const std::pair<const char*, const char*> Captions[] = {
            {"RangeModeButton", "Test Range(s) of Parameter Values"},
            {"FileModeButton", "Load Parameter Values from File"},
            {"ParamLabel1", "Change value of"}, {"ParamLabel2", "Then value of"}, {"FirstStageLabel2", "for stages"},
            {"LastStageLabel1", "through"}, {"FirstValueLabel1", "Values: "}, {"LastValueLabel2", "through"},
            {"StepLabel1", "step"}, {"ValuesFileLabel", "Filename:"}, {"NumTrialsLabel", "# of Trials:"},
            {"BrowseButton", "&Browse..."}, {"OptionsButton", "&Options..."}, {"StartButton", "&Go"},
            {"WriteModelButton", "&Write Model"}, {"SaveTextButton", "&Save Text"}, {"ClearTextButton", "&Clear Text"}};
        for (const auto& [Name, Caption] : Captions) {
            QWidget& C = ChildOf(W, Name);
            const QString Text = C.property("text").toString();
            QCOMPARE(Text, QString(Caption));
            QCOMPARE(C.accessibleName(), QString(Text).remove(QLatin1Char('&')).trimmed());
        }
        QVERIFY(ChildOf<QRadioButton>(W, "RangeModeButton").isChecked());
        QCOMPARE(ChildOf<QLineEdit>(W, "NumTrialsEdit").text(), QString("1"));
        QVERIFY(ChildOf<QLineEdit>(W, "ValuesFileEdit").isReadOnly());
        for (const char* List : {"ParamList1", "ParamList2"}) {
            auto& DD = ChildOf<QComboBox>(W, List);
            QVERIFY(DD.count() == 46 && DD.currentIndex() == 0 && !DD.isEditable());
            QCOMPARE(DD.itemText(0), QString("[none]"));
            QCOMPARE(DD.itemText(BSLevelPos).toStdString(), ParamLongNames[ParamBaseStockLevel]);
        }
        auto& Text = ChildOf<QPlainTextEdit>(W, "ResultsView");
        QVERIFY(Text.isReadOnly() && Text.lineWrapMode() == QPlainTextEdit::NoWrap &&
                QFontInfo(Text.font()).fixedPitch());
        for (QWidget* C : W.findChildren<QWidget*>()) {
            if (!C->objectName().isEmpty() && !C->objectName().startsWith("qt_")) {
                QVERIFY2(!C->accessibleName().isEmpty(), qPrintable(C->objectName()));
            }
        }

        // Either radio button enables its mode's controls only.
        const char* const RowControls[] = {"ParamList1", "FirstStageEdit1", "StepLabel2", "StepEdit2"};
        const char* const FileControls[] = {"ValuesFileLabel", "ValuesFileEdit", "BrowseButton"};
        for (const bool Range : {false, true}) {
            QTest::mouseClick(&ChildOf(W, Range ? "RangeModeButton" : "FileModeButton"), Qt::LeftButton, {},
                              QPoint(4, 4));
            for (const char* Name : RowControls) {
                QCOMPARE(ChildOf(W, Name).isEnabled(), Range);
            }
            for (const char* Name : FileControls) {
                QCOMPARE(ChildOf(W, Name).isEnabled(), !Range);
            }
        }
    }

    void goRefusesWithTheMessagesAndRunsNothing()
    {
        const char Other = LocaleDecimalSeparator() == '.' ? ',' : '.';
        const std::string OtherSep = std::string("1") + Other + "5";
        const TSweepRow Good{BSLevelPos, "1", "2", "10", "20", "10"};
        struct TCase {
            const char* Why;
            bool Load;
            const char* Periods;
            TSweepRow Row;
            const char* ValuesFile;  // file mode: its text, or nullptr for a file that is not there
            bool FileMode;
            const char* Trials;
            std::vector<std::string> Shown;
        };
        QTemporaryDir Dir;
        const std::string ValuesPath = Dir.filePath("values.txt").toStdString();
        const TCase Cases[] = {
            {"no model", false, "1000", Good, nullptr, false, "1", {"You must add at least one stage or load an existing model."}},
            {"the settings before the row", true, "0", {BSLevelPos, "x", "2", "10", "20", "10"}, nullptr, false, "1",
             {"You must enter an integer number of periods between 1 and 9999."}},
            {"a stage field", true, "1000", {BSLevelPos, "1", "2x", "10", "20", "10"}, nullptr, false, "1",
             {"'2x' is not a valid integer value"}},
            {"a value field in the other separator", true, "1000", {BSLevelPos, "1", "2", OtherSep, "20", "10"}, nullptr,
             false, "1", {"'" + OtherSep + "' is not a valid floating point value"}},
            {"a step of 0", true, "1000", {BSLevelPos, "1", "2", "10", "20", "0"}, nullptr, false, "1",
             {"Row 1: the step (0) must be greater than 0."}},
            {"no values file", true, "1000", Good, nullptr, true, "1",
             {"Cannot read file " + ValuesPath + ":\nNo such file or directory."}},
            {"a word in the values file", true, "1000", Good, "1 1 16 1 ten", true, "1",
             {ValuesPath + ": Line 1: expected a number for setting 1, column 1, found \"ten\"."}},
            {"a setting the model checks refuse", true, "1000", Good, "2 1 15 2 18 2 2 0", true, "1",
             {"setting 1 (InvPol:2 = 2, Q:2 = 0): Stage 2 uses the (R,Q) policy with Q = 0; Q must be at least 1."}},
            {"trials that are no integer", true, "1000", Good, nullptr, false, "1.5", {}},
            {"no trials", true, "1000", Good, nullptr, false, "", {}},
        };
        for (const TCase& C : Cases) {
            TBatchHarness H(C.Load);
            H.SetSettings("1", C.Periods, "10");
            H.SetRow(1, C.Row);
            H.In<QLineEdit>("NumTrialsEdit").setText(C.Trials);
            if (C.FileMode) {
                const std::string Path = Dir.filePath("values.txt").toStdString();
                std::filesystem::remove(Path);
                if (C.ValuesFile) {
                    WriteFile(Path, C.ValuesFile);
                }
                QTest::mouseClick(&H.In("FileModeButton"), Qt::LeftButton, {}, QPoint(4, 4));
                H.Files.Answers = {Path};
                H.ClickIn("BrowseButton");
                QCOMPARE(H.In<QLineEdit>("ValuesFileEdit").text().toStdString(), Path);
            }
            const double Before = C.Load ? H.Window.Model().GetParam(1, ParamBaseStockLevel) : 0;
            H.ClickIn("StartButton");
            QVERIFY2(H.TakeShown() == C.Shown, C.Why);
            QVERIFY2(H.Batch.ResultLines().empty(), C.Why);
            QCOMPARE(H.Window.Model().Period(), 0);
            if (C.Load) {
                QCOMPARE(H.Window.Model().GetParam(1, ParamBaseStockLevel), Before);
            }
        }
    }

    void batchGivesTheCommandLinesLinesAndPutsTheParametersBack()
    {
        TBatchHarness H;
        H.SetSettings("5", "300", "30");
        H.SetRow(1, {BSLevelPos, "1", "2", "10", "20", "10"});
        H.In<QLineEdit>("NumTrialsEdit").setText("2");
        const QString GridBefore = H.GridText(ParamBaseStockLevel);
        const double ParamBefore = H.Window.Model().GetParam(2, ParamBaseStockLevel);
        QVERIFY(ParamBefore != 10 && ParamBefore != 20);

        // The batch runs off the window thread: meanwhile nothing that would change the model is
        // enabled, and everything else is.
        auto& Progress = H.In<QProgressBar>("SettingsProgress");
        H.ClickIn("StartButton");
        QVERIFY(H.Batch.Running() && H.Windows.Document.Busy());
        for (const char* Name : {"RunButton", "ResetButton", "ClearButton", "LoadButton", "NewStageButton"}) {
            QVERIFY2(!H.Child(Name).isEnabled(), Name);
        }
        QVERIFY(!H.In("StartButton").isEnabled() && H.In("StopButton").isEnabled());
        QVERIFY(H.Child("SaveButton").isEnabled() && H.Child("StatsButton").isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!H.Batch.Running(), 120000);
        QVERIFY(H.Child("RunButton").isEnabled() && !H.In("StopButton").isEnabled());
        QCOMPARE(Progress.maximum(), 2);
        QCOMPARE(Progress.value(), 0);
        QVERIFY(H.TakeShown().empty());

        const std::vector<std::string> Expected = CliLines({"batch", Chain, "--seed", "5", "--periods", "300",
                                                            "--warmup", "30", "--trials", "2", "--row",
                                                            "BSLevel@1-2=10:20:10"});
        const std::vector<std::string> Shown = H.Batch.ResultLines();
        QCOMPARE(Shown.size(), Expected.size());
        QVERIFY(Shown.size() == 11 && Shown[1] == "Data file: serial_chain.txt" && Shown[2] == "RandSeed: 5");
        QVERIFY(std::equal(Shown.begin() + 1, Shown.end(), Expected.begin() + 1));

        // "Export CSV..." saves the batch's table as `orvantis-cli batch --csv` writes it.
        QTemporaryDir CsvDir;
        const std::string CsvPath = CsvDir.filePath("batch.csv").toStdString();
        H.Files.Answers = {CsvPath};
        H.ClickIn("ExportCsvButton");
        std::string Csv;
        for (const std::string& Line : CliLines({"batch", Chain, "--seed", "5", "--periods", "300", "--warmup", "30",
                                                 "--trials", "2", "--row", "BSLevel@1-2=10:20:10", "--csv"})) {
            Csv += Line + '\n';
        }
        QVERIFY(Csv.rfind("BSLevel:1,BSLevel:2,", 0) == 0);
        QVERIFY(FileBytes(CsvPath) == Csv);
        QVERIFY(H.Files.Asked == (std::vector<TFileDialogSpec>{{"Export Batch Results as CSV", "csv", CsvFileFilter, {}}}));
        H.Files.Asked.clear();

        // The parameters are back and the grid shows them; the labels and the replay show the
        // last trial's run.
        const TSimulation& Model = H.Window.Model();
        QCOMPARE(Model.GetParam(2, ParamBaseStockLevel), ParamBefore);
        QCOMPARE(H.GridText(ParamBaseStockLevel), GridBefore);
        QCOMPARE(Model.Period(), 300);
        QCOMPARE(H.Child<QLabel>("TotalCostLabel").text().toStdString(),
                 FormatFixed(Model.CostTotals().TotalCost, 2, LocaleDecimalSeparator()));
        auto& Track = H.Child<QSlider>("PeriodSlider");
        QVERIFY(Track.isEnabled() && Track.maximum() == 300 && Track.value() == 300);
        // The costs say whose they are, until the next run; the batch changed nothing to save.
        QCOMPARE(H.Child<QGroupBox>("CostsBox").title(), QString("Batch: Last Trial"));
        QVERIFY(!H.Window.isWindowModified() && !Model.Modified());

        // The window runs trials on every core, and leaves the generator where one trial after
        // the other leaves it.
        TSilentDialogs Quiet;
        TSimulation Sequential;
        QVERIFY(LoadModel(Sequential, Chain, Quiet).Ok);
        TBatchRun OneByOne;
        OneByOne.Settings = TRunSettings{300, 30, 5};
        OneByOne.NumTrials = 2;
        OneByOne.Jobs = 1;
        const TParamSetResult Set = BuildSweepSet({BSLevelPos, "1", "2", "10", "20", "10"}, {},
                                                  LocaleDecimalSeparator(), Sequential.NumStages());
        RunBatch(Sequential, *Set.Set, TReportOptions{}, OneByOne, {});
        QCOMPARE(H.Window.Model().RandSeed(), Sequential.RandSeed());

        // The same definition from a values file appends the same block: the seed starts every batch.
        QTemporaryDir Dir;
        const std::string Values = Dir.filePath("values.txt").toStdString();
        WriteFile(Values, "2 2\n16 1 16 2\n10 10\n20 20\n");
        QTest::mouseClick(&H.In("FileModeButton"), Qt::LeftButton, {}, QPoint(4, 4));
        H.Files.Answers = {Values};
        H.ClickIn("BrowseButton");
        H.RunBatch();
        const std::vector<std::string> Twice = H.Batch.ResultLines();
        QCOMPARE(Twice.size(), 2 * Shown.size());
        QVERIFY(std::equal(Shown.begin() + 1, Shown.end(), Twice.begin() + static_cast<std::ptrdiff_t>(Shown.size()) + 1));
        const TFileDialogSpec Spec{"Choose Parameter File", "txt", "Text files (*.txt)|*.txt|All files (*.*)|*.*", {}};
        QVERIFY(H.Files.Asked == std::vector<TFileDialogSpec>{Spec});
    }

    // Each setting's results reach the chart as it finishes, and the window repaints it meanwhile;
    // the second row's values are its lines.
    void chartGrowsWithEachSettingOneLinePerSecondRowValue()
    {
        TBatchHarness H;
        H.SetSettings("5", "200", "20");
        H.SetRow(1, {BSLevelPos, "1", "1", "10", "30", "10"});
        H.SetRow(2, {BSLevelPos, "2", "2", "5", "10", "5"});
        const TBatchChart& Chart = H.Batch.Chart();
        std::vector<int32_t> Seen;
        QTimer Watch;
        Watch.setInterval(0);
        connect(&Watch, &QTimer::timeout, [&] {
            if (Seen.empty() || Seen.back() != Chart.Data().NumSettings()) {
                Seen.push_back(Chart.Data().NumSettings());
            }
        });
        Watch.start();
        H.RunBatch();
        Watch.stop();
        QVERIFY(!Seen.empty() && Seen.back() == 6 && std::is_sorted(Seen.begin(), Seen.end()));
        QCOMPARE(Chart.Chart().NumLines(), 2);
        const std::vector<TChartPoint> Line = Chart.Chart().DrawnPoints(1);
        QCOMPARE(Line.size(), std::size_t{3});
        QVERIFY(Line[0].X == 10 && Line[1].X == 20 && Line[2].X == 30);
    }

    void writeModelSaveTextAndClearText()
    {
        TBatchHarness H;
        H.ClickIn("WriteModelButton");
        H.ClickIn("WriteModelButton");
        const std::vector<std::string> Once = BuildModelParamTable(H.Window.Model(), LocaleDecimalSeparator());
        std::vector<std::string> Table = Once;
        Table.insert(Table.end(), Once.begin(), Once.end());
        QVERIFY(H.Batch.ResultLines() == Table);

        QTemporaryDir Dir;
        const std::string Path = Dir.filePath("results.txt").toStdString();
        H.Files.Answers = {std::nullopt, Path, Dir.filePath("missing/results.txt").toStdString()};
        H.ClickIn("SaveTextButton");  // cancelled
        QVERIFY(!std::filesystem::exists(Path));
        H.In<QPlainTextEdit>("ResultsView").appendPlainText("typed by the user");
        H.ClickIn("SaveTextButton");
        std::string Expected;
        for (const std::string& Line : Table) {
            Expected += Line + '\r';
        }
        QVERIFY(FileBytes(Path) == Expected + "typed by the user\r");
        H.ClickIn("SaveTextButton");  // a folder that is not there
        const std::vector<std::string> Shown = H.TakeShown();
        QVERIFY(Shown.size() == 1 && Shown[0].find("missing/results.txt") != std::string::npos);
        const TFileDialogSpec Spec{"Save Results As", "txt", "Text files (*.txt)|*.txt|All files (*.*)|*.*", {}};
        QVERIFY(H.Files.Asked == std::vector<TFileDialogSpec>(3, Spec));

        H.Dialogs.Answers = {false, true};
        H.ClickIn("ClearTextButton");
        QCOMPARE(H.Batch.ResultLines().size(), Table.size() + 1);
        H.ClickIn("ClearTextButton");
        QVERIFY(H.Batch.ResultLines().empty());
        QCOMPARE(H.TakeShown(), std::vector<std::string>(2, "Are you sure you want to clear the text?"));
        // No batch has run: nothing to export, and no file is asked for.
        H.Files.Asked.clear();
        H.ClickIn("ExportCsvButton");
        QVERIFY(H.Files.Asked.empty());
        QCOMPARE(H.TakeShown(),
                 std::vector<std::string>{"There are no batch results to export: run a batch with \"Go\" first."});
    }

    void optionsButtonShowsTheListsModally()
    {
        TBatchHarness H;
        TBatchOptionsWindow& O = H.Windows.BatchOptions;
        QWidget* Modal = nullptr;
        QTimer::singleShot(0, [&] {
            Modal = QApplication::activeModalWidget();
            QTest::keyClick(&O, Qt::Key_Return);  // "Close", the default button
        });
        H.ClickIn("OptionsButton");
        QCOMPARE(Modal, static_cast<QWidget*>(&O));
        QVERIFY(!O.isVisible());
        QCOMPARE(O.windowTitle(), QString("Batch Runs Reporting Options"));
        // Its whole size, which this screen holds, and no larger; a smaller screen scrolls its lists.
        QCOMPARE(O.size(), O.maximumSize());

        auto& Std = ChildOf<QListWidget>(O, "StandardList");
        auto& Other = ChildOf<QListWidget>(O, "OtherList");
        QVERIFY(Std.count() == 96 && Other.count() == 2);
        for (int J = 0; J < NumMetrics; ++J) {
            QListWidgetItem* Heading = Std.item(6 * J);
            QCOMPARE(Heading->text().toStdString(), MetricNames[static_cast<std::size_t>(J)]);
            QVERIFY(!Heading->data(Qt::CheckStateRole).isValid());
            QCOMPARE(Std.item(6 * J + 2)->text(), QString("SEM"));
            QCOMPARE(Std.item(6 * J + 5)->flags().testFlag(Qt::ItemIsEnabled), J < 5);
        }
        // Four columns of four metrics, each column's items one below the other.
        QCOMPARE(Std.visualItemRect(Std.item(24)).top(), Std.visualItemRect(Std.item(0)).top());
        QVERIFY(Std.visualItemRect(Std.item(72)).left() > Std.visualItemRect(Std.item(48)).left());
        QVERIFY(Std.visualItemRect(Std.item(95)).bottom() <= Std.viewport()->height());
        QCOMPARE(Other.item(1)->text(), QString("Mean of SD of Order Qty"));
        QVERIFY(ShownMarks(O) == DeliveredMarks() && O.Options().Marks() == DeliveredMarks());
    }

    void doubleClicksAndCancelChangeTheCoreOptions()
    {
        TBatchOptionsWindow O(Silent);
        auto& Std = ChildOf<QListWidget>(O, "StandardList");
        auto& Other = ChildOf<QListWidget>(O, "OtherList");
        O.show();
        const TOptionMarks Shown = O.Options().Marks();
        const TReportOptions& Core = O.Options();

        // "Total Cost" with Mean and SEM only: all four, then none.
        QVERIFY(Core.IsMeasureChecked("Total Cost", "Mean") && !Core.IsMeasureChecked("Total Cost", "Max"));
        DoubleClick(Std, 0);
        for (const char* Stat : {"Mean", "SEM", "Min", "Max"}) {
            QVERIFY(Core.IsMeasureChecked("Total Cost", Stat));
        }
        DoubleClick(Std, 0);
        QVERIFY(!Core.IsMeasureChecked("Total Cost", "ANY"));
        const TOptionMarks BeforeDisabled = Core.Marks();
        DoubleClick(Std, 6 * 5 + 5);  // "By Stage" of "Demand": disabled
        QVERIFY(Core.Marks() == BeforeDisabled);
        const bool OrderMean = Core.IsMeasureChecked("Order Cost", "Mean");
        DoubleClick(Std, 7);
        QCOMPARE(Core.IsMeasureChecked("Order Cost", "Mean"), !OrderMean);
        Std.setCurrentRow(6 * 2 + 2);  // the space bar on "SEM" of "Holding Cost"
        QTest::keyClick(&Std, Qt::Key_Space);
        QCOMPARE(Core.IsMeasureChecked("Holding Cost", "SEM"), !Shown.Standard[6 * 2 + 2]);
        const bool SDOrderQty = Core.IsMeasureChecked("Mean of SD of Order Qty", "");
        DoubleClick(Other, 1);
        QCOMPARE(Core.IsMeasureChecked("Mean of SD of Order Qty", ""), !SDOrderQty);
        QVERIFY(ShownMarks(O) == Core.Marks());

        // "Cancel" and Escape put back the marks from when the window was shown; Restore Defaults
        // in between does not count. The title bar's close and "Close" keep the marks.
        QTest::mouseClick(&ChildOf(O, "CancelButton"), Qt::LeftButton);
        QVERIFY(!O.isVisible() && Core.Marks() == Shown && ShownMarks(O) == Shown);
        O.show();
        DoubleClick(Std, 0);
        QTest::mouseClick(&ChildOf(O, "RestoreDefaultsButton"), Qt::LeftButton);
        QVERIFY(Core.Marks() == DeliveredMarks());
        DoubleClick(Std, 6);
        QTest::keyClick(&O, Qt::Key_Escape);
        QVERIFY(!O.isVisible() && Core.Marks() == Shown);
        for (const bool TitleBar : {true, false}) {
            O.show();
            DoubleClick(Std, 12);
            const TOptionMarks Changed = Core.Marks();
            if (TitleBar) {
                O.close();
            } else {
                QTest::mouseClick(&ChildOf(O, "CloseButton"), Qt::LeftButton);
            }
            QVERIFY(!O.isVisible() && Core.Marks() == Changed);
        }
    }

    void saveAsDefaultIsReadAtTheNextStartAndRestoreDefaultsDeletesItOnClose()
    {
        for (const char* Closing : {"CancelButton", "CloseButton"}) {
            std::filesystem::remove(UserOptionsPath());
            TOptionMarks Saved;
            {
                TBatchOptionsWindow O(Silent);
                O.show();
                DoubleClick(ChildOf<QListWidget>(O, "StandardList"), 6 * 8);  // "Inv Level": all four
                DoubleClick(ChildOf<QListWidget>(O, "OtherList"), 0);
                Saved = O.Options().Marks();
                QVERIFY(!(Saved == DeliveredMarks()));
                QVERIFY(ChildOf<QLabel>(O, "StatusLabel").text().isEmpty());
                QTest::mouseClick(&ChildOf(O, "SaveAsDefaultButton"), Qt::LeftButton);
                QVERIFY(std::filesystem::exists(UserOptionsPath()));
                QCOMPARE(ChildOf<QLabel>(O, "StatusLabel").text(), QString("Saved as the default for the next start."));
            }
            TBatchOptionsWindow Next(Silent);
            Next.show();
            QVERIFY(Next.Options().Marks() == Saved && ShownMarks(Next) == Saved);
            QTest::mouseClick(&ChildOf(Next, "RestoreDefaultsButton"), Qt::LeftButton);
            QVERIFY(Next.Options().Marks() == DeliveredMarks() && ShownMarks(Next) == DeliveredMarks());
            QVERIFY(std::filesystem::exists(UserOptionsPath()));  // until the window closes
            QTest::mouseClick(&ChildOf(Next, Closing), Qt::LeftButton);
            const bool Kept = std::string(Closing) == "CancelButton";
            QCOMPARE(std::filesystem::exists(UserOptionsPath()), Kept);
            QVERIFY(Next.Options().Marks() == (Kept ? Saved : DeliveredMarks()));
        }
    }

    void closingTheMainWindowAsksForUnsavedBatchResults()
    {
        TBatchHarness H;
        H.ClickIn("WriteModelButton");
        QTemporaryDir Dir;
        const std::string Path = Dir.filePath("results.txt").toStdString();
        H.Dialogs.SaveAnswers = {TSaveAnswer::Cancel, TSaveAnswer::Save};
        H.Files.Answers = {Path};
        H.Window.close();
        QVERIFY(H.Window.isVisible() && H.Batch.isVisible());
        H.Window.close();
        QCOMPARE(H.TakeShown(), std::vector<std::string>(2, "Save changes to the batch results?"));
        QVERIFY(!H.Window.isVisible() && !H.Batch.isVisible());
        QVERIFY(FileBytes(Path).starts_with(H.Batch.ResultLines().front() + '\r'));
    }

    // The Optimise window makes the command line's search and report, and writes its best point
    // into the model as a change to save.
    void optimiseWindowSearchesAsTheCommandLineDoesAndAppliesTheBest()
    {
        TBatchHarness H;
        H.SetSettings("5", "300", "30");
        H.ClickIn("OptimiseButton");
        TOptimiseWindow& O = H.Windows.Optimise;
        QVERIFY(O.isVisible());
        ChildOf<QLineEdit>(O, "TrialsEdit").setText("2");
        ChildOf<QLineEdit>(O, "BudgetEdit").setText("20");
        QTest::mouseClick(&ChildOf<QPushButton>(O, "GoButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!O.Searching() && !O.ReportLines().empty(), 120000);

        std::ostringstream Out;
        std::ostringstream Err;
        const TCliEnvironment Env{LocaleDecimalSeparator(), "", false, DefaultOptionsPath(), UserOptionsPath()};
        QCOMPARE(RunCli({"optimize", Chain, "--vary", "BSLevel@1=0:100", "--trials", "2", "--budget", "20", "--seed",
                         "5", "--periods", "300", "--warmup", "30"},
                        Out, Err, Env),
                 0);
        std::vector<std::string> Expected;
        std::istringstream Lines(Out.str());
        for (std::string Line; std::getline(Lines, Line);) {
            Expected.push_back(Line);
        }
        QVERIFY(O.ReportLines() == Expected);

        QVERIFY(!H.Window.isWindowModified());
        QTest::mouseClick(&ChildOf<QPushButton>(O, "ApplyButton"), Qt::LeftButton);
        const auto Best = std::find_if(Expected.begin(), Expected.end(), [](const std::string& L) { return L.starts_with("BSLevel@1 "); });
        QVERIFY(Best != Expected.end());
        const std::string Value = Best->substr(Best->find_last_of(' ') + 1);  // the "Best" column
        QCOMPARE(H.Window.Model().GetParam(1, ParamBaseStockLevel), std::stod(Value));
        QVERIFY(H.Window.isWindowModified());
    }

    // Stop ends a long batch after the setting under way: the lines so far are the command line's
    // for as many settings, and a note says where it stopped. The windows answer meanwhile.
    void aStoppedBatchKeepsTheCommandLinesFirstLines()
    {
        TBatchHarness H;
        H.SetSettings("5", "9999", "100");
        H.SetRow(1, {BSLevelPos, "1", "1", "1", "20", "1"});
        H.In<QLineEdit>("NumTrialsEdit").setText("200");
        H.ClickIn("StartButton");
        auto& Progress = H.In<QProgressBar>("SettingsProgress");
        QTRY_VERIFY_WITH_TIMEOUT(Progress.value() >= 1, 120000);
        // The event loop turns while the batch goes: a move, a paint and a queued call get through.
        H.Window.move(H.Window.pos() + QPoint(5, 5));
        bool Called = false;
        QTimer::singleShot(0, [&Called] { Called = true; });
        QTRY_VERIFY(Called);
        QVERIFY(!H.Window.grab().isNull() && H.Batch.Running());
        H.ClickIn("StopButton");
        QTRY_VERIFY_WITH_TIMEOUT(!H.Batch.Running(), 120000);

        const std::vector<std::string> Shown = H.Batch.ResultLines();
        const std::string Note = Shown.back();
        QVERIFY2(Note.starts_with("Stopped by the user after setting ") && Note.ends_with(" of 20."), Note.c_str());
        const int Done = std::stoi(Note.substr(std::string("Stopped by the user after setting ").size()));
        QVERIFY(Done >= 1 && Done < 20);
        std::vector<std::string> Expected = CliLines({"batch", Chain, "--seed", "5", "--periods", "9999", "--warmup",
                                                      "100", "--trials", "200", "--row",
                                                      "BSLevel@1=1:" + std::to_string(Done) + ":1"});
        Expected.push_back(Note);
        QCOMPARE(Shown.size(), Expected.size());
        QVERIFY(std::equal(Shown.begin() + 1, Shown.end(), Expected.begin() + 1));  // the date line aside
        QCOMPARE(H.Child<QGroupBox>("CostsBox").title(), QString("Batch: Last Trial"));
        QCOMPARE(H.Window.Model().Period(), 9999);
    }

    // "Apply to Model" belongs to the model searched: a load, a clear or an edit of a varied
    // parameter makes the result an earlier model's; an edit of another parameter does not.
    void applyIsOfferedOnlyForTheModelSearched()
    {
        struct TCase {
            const char* Name;
            std::function<void(TBatchHarness&)> Change;
            bool Stale;
        };
        const TCase Cases[] = {
            {"nothing", [](TBatchHarness&) {}, false},
            {"another parameter", [](TBatchHarness& H) { H.Windows.Document.SetParam(2, ParamHoldingCost, 3); }, false},
            {"the varied one", [](TBatchHarness& H) { H.Windows.Document.SetParam(1, ParamBaseStockLevel, 77); }, true},
            {"load", [](TBatchHarness& H) { H.Window.LoadModelFile(Chain); }, true},
            {"clear", [](TBatchHarness& H) { H.Windows.Document.Clear(); }, true},
        };
        for (const TCase& C : Cases) {
            TBatchHarness H;
            H.SetSettings("5", "300", "30");
            TOptimiseWindow& O = H.Windows.Optimise;
            H.ClickIn("OptimiseButton");
            ChildOf<QLineEdit>(O, "TrialsEdit").setText("2");
            ChildOf<QLineEdit>(O, "BudgetEdit").setText("6");
            QTest::mouseClick(&ChildOf<QPushButton>(O, "GoButton"), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!O.Searching(), 120000);
            QVERIFY2(ChildOf<QPushButton>(O, "ApplyButton").isEnabled(), C.Name);
            C.Change(H);
            QVERIFY2(ChildOf<QPushButton>(O, "ApplyButton").isEnabled() == !C.Stale, C.Name);
            QVERIFY2(ChildOf<QLabel>(O, "StaleLabel").isVisibleTo(&O) == C.Stale, C.Name);
        }
    }

    // After Save As every later report names the new file: the title, a batch's heading and the
    // Optimise report.
    void saveAsRenamesEveryLaterReport()
    {
        TBatchHarness H;
        QTemporaryDir Dir;
        const std::string Renamed = Dir.filePath("chain2.txt").toStdString();
        H.Files.Answers = {Renamed};
        H.Click("SaveButton");
        QVERIFY(H.Window.windowTitle().startsWith("chain2.txt"));
        H.SetSettings("5", "100", "10");
        H.SetRow(1, {BSLevelPos, "1", "1", "10", "10", "10"});
        H.RunBatch();
        QCOMPARE(H.Batch.ResultLines().at(1), std::string("Data file: chain2.txt"));
        TOptimiseWindow& O = H.Windows.Optimise;
        H.ClickIn("OptimiseButton");
        ChildOf<QLineEdit>(O, "TrialsEdit").setText("2");
        ChildOf<QLineEdit>(O, "BudgetEdit").setText("3");
        QTest::mouseClick(&ChildOf<QPushButton>(O, "GoButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!O.Searching(), 120000);
        QCOMPARE(O.ReportLines().at(0), std::string("Optimisation of chain2.txt"));
    }

    void anUnwritableUserFileIsReported()
    {
        // Root writes into read-only folders: a settings folder under a plain file stops everyone.
        QTemporaryDir Dir;
        const QString Plain = Dir.filePath("plain");
        WriteFile(Plain.toStdString(), "");
        qputenv("XDG_CONFIG_HOME", Plain.toLocal8Bit());
        TScriptedDialogs Dialogs;
        TBatchOptionsWindow O(Dialogs);
        QTest::mouseClick(&ChildOf(O, "SaveAsDefaultButton"), Qt::LeftButton);
        qputenv("XDG_CONFIG_HOME", Config.path().toLocal8Bit());
        QCOMPARE(Dialogs.Texts(), std::vector<std::string>{"Unable to write to " + Plain.toStdString() +
                                                           "/orvantis/ORVTVOFusr.ini"});
        QVERIFY(Dialogs.Shown[0].Kind == TScriptedDialogs::TKind::Error);
    }

private:
    TScriptedDialogs Silent;  // the options windows' messages: none expected
};

ORVANTIS_GUI_TEST_MAIN(BatchWindowsTest)
#include "gui_batch_windows_test.moc"
