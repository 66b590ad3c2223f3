// The stats and history windows (their texts are checked through the main window's commands): the
// History text saves with CR line ends through the file chooser; assistive technology reads a
// report; Escape hides a window.
#include <filesystem>
#include <fstream>
#include <iterator>

#include <cmath>
#include <numeric>

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSlider>
#include <QWheelEvent>
#include <QTabWidget>
#include <QTemporaryDir>

#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "reports/CsvTables.h"
#include "reports/StatsReport.h"
#include "support/GuiTest.h"
#include "support/MainWindowHarness.h"
#include "support/ScriptedDialogs.h"
#include "support/ScriptedFileDialogs.h"
#include "ui/ChartView.h"
#include "ui/HistoryChart.h"
#include "ui/HistoryWindow.h"
#include "ui/StatsChart.h"
#include "ui/StatsWindow.h"
#include "ui/TextLinesView.h"

namespace {

// These tests' offscreen screen is a desktop's 1600 x 1000, with room beside the main window.
[[maybe_unused]] const bool DesktopScreen = [] {
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" ORVANTIS_TEST_DATA_DIR "/offscreen_1600x1000.json");
    }
    return true;
}();

std::string FileBytes(const std::string& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

}  // namespace

class ReportWindowsTest : public QObject {
    Q_OBJECT
    TScriptedDialogs Dialogs;
    TSimulation Model;

private slots:
    void initTestCase()
    {
        QVERIFY(LoadModel(Model, ORVANTIS_EXAMPLES_DIR "/distribution.txt", Dialogs).Ok);
        Model.RunSimulation(300, 20, 7);
    }

    void saveTextWritesTheReportInViewWithCarriageReturns()
    {
        QTemporaryDir Dir;
        const std::string Path = Dir.filePath("history.txt").toStdString();
        TScriptedFileDialogs Files;
        Files.Answers = {std::nullopt, Path, Dir.filePath("missing/history.txt").toStdString()};
        THistoryWindow Window(Dialogs, Files);
        QCOMPARE(Window.windowTitle(), QString("HistoryWindow"));
        QCOMPARE(Window.size(), QSize(870, 640));
        Window.FillHistory(Model, "12/08/26 09:00:00");
        Window.FillOrderHistory(Model, "12/08/26 09:00:00");
        Window.findChild<QTabWidget*>("Tabs")->setCurrentIndex(1);
        auto* Save = Window.findChild<QPushButton*>("SaveTextButton");
        QCOMPARE(Save->text(), QString("&Save Text"));
        const std::size_t ShownBefore = Dialogs.Shown.size();

        QTest::mouseClick(Save, Qt::LeftButton);  // cancelled
        QVERIFY(!std::filesystem::exists(Path));
        QTest::mouseClick(Save, Qt::LeftButton);
        std::string Expected;
        for (const std::string& Line : Window.OrderHistoryText().Lines()) {
            Expected += Line + '\r';
        }
        QVERIFY(FileBytes(Path) == Expected);
        QTest::mouseClick(Save, Qt::LeftButton);  // a folder that does not exist
        QCOMPARE(Dialogs.Shown.size(), ShownBefore + 1);
        QVERIFY(Dialogs.Shown.back().Kind == TScriptedDialogs::TKind::Error);
        QVERIFY(Dialogs.Shown.back().Text.find("missing/history.txt") != std::string::npos);

        const TFileDialogSpec Spec{"Save Order History As", "txt", "Text files (*.txt)|*.txt|All files (*.*)|*.*", {}};
        QVERIFY(Files.Asked == std::vector<TFileDialogSpec>(3, Spec));

        // On the History tab, the History.
        Window.findChild<QTabWidget*>("Tabs")->setCurrentIndex(0);
        Files.Answers = {Path};
        QTest::mouseClick(Save, Qt::LeftButton);
        Expected.clear();
        for (const std::string& Line : Window.HistoryText().Lines()) {
            Expected += Line + '\r';
        }
        QVERIFY(FileBytes(Path) == Expected);
        QCOMPARE(Files.Asked.back().Title, std::string("Save History As"));

        // The statistics window keeps its report the same way.
        TStatsWindow Stats(Dialogs, Files);
        Stats.FillStats(Model);
        auto* SaveStats = Stats.findChild<QPushButton*>("SaveTextButton");
        QCOMPARE(SaveStats->text(), QString("&Save Text"));
        Files.Answers = {Path};
        QTest::mouseClick(SaveStats, Qt::LeftButton);
        Expected.clear();
        for (const std::string& Line : Stats.ReportView().Lines()) {
            Expected += Line + '\r';
        }
        QVERIFY(FileBytes(Path) == Expected);
        QCOMPARE(Files.Asked.back().Title, std::string("Save Statistics As"));
    }

    void exportCsvWritesTheTableInViewAsItWasShown()
    {
        QTemporaryDir Dir;
        const std::string Path = Dir.filePath("table.csv").toStdString();
        const std::string Missing = Dir.filePath("missing/table.csv").toStdString();
        TScriptedFileDialogs Files;
        TSimulation Model;  // run again below: the other tests keep the shared run
        Model.CopyModel(this->Model);
        Model.RunSimulation(300, 20, 7);
        THistoryWindow Window(Dialogs, Files);
        TStatsWindow Stats(Dialogs, Files);
        Window.FillHistory(Model, "stamp");
        Window.FillOrderHistory(Model, "stamp");
        Stats.FillStats(Model);
        auto* Export = Window.findChild<QPushButton*>("ExportCsvButton");
        QCOMPARE(Export->text(), QString("&Export CSV..."));
        auto* Tabs = Window.findChild<QTabWidget*>("Tabs");
        const struct {
            QPushButton* Button;
            int Tab;  // of the history window
            std::string Csv;
            const char* Title;
        } Cases[] = {
            {Export, 0, BuildHistoryCsv(Model), "Export History as CSV"},
            {Export, 1, BuildOrderHistoryCsv(Model), "Export Order History as CSV"},
            {Stats.findChild<QPushButton*>("ExportCsvButton"), 0, BuildStatsCsv(Model), "Export Statistics as CSV"},
        };
        // Another run after the windows were filled: they export what they show.
        Model.RunSimulation(200, 10, 8);
        const std::size_t ShownBefore = Dialogs.Shown.size();
        for (const auto& C : Cases) {
            Tabs->setCurrentIndex(C.Tab);
            Files.Answers = {std::nullopt, Path, Missing};
            QTest::mouseClick(C.Button, Qt::LeftButton);  // cancelled
            QVERIFY(!std::filesystem::exists(Path));
            QTest::mouseClick(C.Button, Qt::LeftButton);
            QVERIFY(FileBytes(Path) == C.Csv);
            std::filesystem::remove(Path);
            QTest::mouseClick(C.Button, Qt::LeftButton);  // a folder that does not exist
            QCOMPARE(Dialogs.Shown.size(), ShownBefore + 1);
            QVERIFY(Dialogs.Shown.back().Text.find("missing/table.csv") != std::string::npos);
            Dialogs.Shown.pop_back();
            QVERIFY(Files.Asked == std::vector<TFileDialogSpec>(3, {C.Title, "csv", CsvFileFilter, {}}));
            Files.Asked.clear();
        }
    }

    void assistiveTechnologyReadsTheReportAsItsLinesJoined()
    {
        TScriptedFileDialogs Files;
        TStatsWindow Window(Dialogs, Files);
        Window.FillStats(Model);
        auto* View = Window.findChild<TTextLinesView*>("ReportView");
        QStringList Lines;
        for (const std::string& Line : View->Lines()) {
            Lines << QString::fromStdString(Line);
        }
        QVERIFY(Lines.size() > 6 && Lines[0].size() > 3 && !Lines[3].isEmpty());
        const QString Joined = Lines.join('\n');
        QAccessibleInterface* Accessible = QAccessible::queryAccessibleInterface(View);
        QVERIFY(Accessible && Accessible->textInterface());
        QCOMPARE(Accessible->text(QAccessible::Name), QString("Statistics report"));
        QAccessibleTextInterface& Text = *Accessible->textInterface();
        QCOMPARE(Text.characterCount(), Joined.size());

        const int FirstEnd = static_cast<int>(Lines[0].size());
        const int End = static_cast<int>(Joined.size());
        const std::pair<int, int> Ranges[] = {{0, 3}, {FirstEnd - 2, FirstEnd + 3}, {End - 4, End}, {0, End}, {9, 9}};
        for (const auto& [From, To] : Ranges) {
            QCOMPARE(Text.text(From, To), Joined.mid(From, To - From));
        }

        const auto Line3 = static_cast<int>(Lines[0].size() + Lines[1].size() + Lines[2].size() + 3);
        int From = -1;
        int To = -1;
        QCOMPARE(Text.textAtOffset(Line3 + 1, QAccessible::LineBoundary, &From, &To), Lines[3] + '\n');
        QCOMPARE(std::pair(From, To), std::pair(Line3, Line3 + static_cast<int>(Lines[3].size()) + 1));
        QCOMPARE(Text.textAtOffset(End, QAccessible::LineBoundary, &From, &To), Lines.back());

        QCOMPARE(Text.selectionCount(), 0);
        View->SelectAll();
        QCOMPARE(Text.selectionCount(), 1);
        Text.selection(0, &From, &To);
        QCOMPARE(std::pair(From, To), std::pair(0, End));
    }

    // The chart's lines are the run's series, every point drawn while they fit the plot; zooming
    // draws the range from the full data; the mouse zooms and Home shows everything again.
    void historyChartDrawsTheSeriesZoomsAndSavesAsPngOrSvg()
    {
        QTemporaryDir Dir;
        TScriptedFileDialogs Files;
        THistoryWindow Window(Dialogs, Files);
        Window.FillHistory(Model, "12/08/26 09:00:00");
        Window.findChild<QTabWidget*>("Tabs")->setCurrentIndex(2);
        Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Window));
        THistoryChart& Panel = Window.Chart();
        std::vector<int> AllSeries(NumHistorySeries);
        std::iota(AllSeries.begin(), AllSeries.end(), 0);
        Panel.Select(AllSeries, {1, 3});
        const TChartView& Chart = Panel.Chart();
        QCOMPARE(Chart.NumLines(), 2 * NumHistorySeries);
        for (int N = 0; N < Chart.NumLines(); ++N) {
            const std::vector<double>& Expected = Panel.History().Series(N < NumHistorySeries ? 1 : 3, N % NumHistorySeries);
            QVERIFY(Expected.size() == 300 && Chart.LineValues(N) == Expected);
            const std::vector<TChartPoint> Drawn = Chart.DrawnPoints(N);
            QCOMPARE(Drawn.size(), Expected.size());
            QVERIFY(Drawn[0] == (TChartPoint{1, Expected[0]}) && Drawn[299] == (TChartPoint{300, Expected[299]}));
        }
        QCOMPARE(Chart.HoverTextAt(150, Panel.History().Series(3, 8)[149]),
                 QString("Period 150: Stage 3 Inv Pos = %1").arg(Panel.History().Series(3, 8)[149]));

        Panel.Chart().ZoomX(100, 120);
        const std::vector<TChartPoint> Zoomed = Chart.DrawnPoints(3);
        QCOMPARE(Zoomed.size(), std::size_t{23});  // 100..120 and a neighbour on either side
        for (const TChartPoint& P : Zoomed) {
            QCOMPARE(P.Y, Panel.History().Series(1, 3)[static_cast<std::size_t>(P.X) - 1]);
        }
        auto* Plot = Window.findChild<QWidget*>("PlotView");
        QWidget* Viewport = static_cast<QAbstractScrollArea*>(Plot)->viewport();
        QTest::keyClick(Plot, Qt::Key_Home);
        QVERIFY(Chart.XFrom() == 1 && Chart.XTo() == 300);
        const QPoint Middle = Viewport->rect().center();
        QWheelEvent Wheel(Middle, Viewport->mapToGlobal(Middle), {}, {0, 240}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Viewport, &Wheel);
        QVERIFY(Chart.XFrom() > 1 && Chart.XTo() < 300 && Chart.XTo() - Chart.XFrom() < 0.7 * 299);
        QTest::mouseDClick(Viewport, Qt::LeftButton, {}, Middle);
        QVERIFY(Chart.XFrom() == 1 && Chart.XTo() == 300);
        QTest::mousePress(Viewport, Qt::LeftButton, {}, Middle);
        QTest::mouseMove(Viewport, Middle + QPoint(60, 0));
        QTest::mouseRelease(Viewport, Qt::LeftButton, {}, Middle + QPoint(60, 0));
        QVERIFY(Chart.XFrom() > 100 && Chart.XTo() < 250 && Chart.XTo() - Chart.XFrom() < 60);

        const std::string Png = Dir.filePath("chart.png").toStdString();
        const std::string Svg = Dir.filePath("chart.SVG").toStdString();
        Files.Answers = {Png, Svg, Dir.filePath("missing/chart.png").toStdString()};
        auto* Save = Window.findChild<QPushButton*>("SaveChartButton");
        const std::size_t ShownBefore = Dialogs.Shown.size();
        for (int Click = 0; Click < 3; ++Click) {
            QTest::mouseClick(Save, Qt::LeftButton);
        }
        const QImage Image(QString::fromStdString(Png));
        QVERIFY(!Image.isNull() && Image.size() == Plot->size());
        QVERIFY(FileBytes(Svg).find("<svg") != std::string::npos);
        QCOMPARE(Dialogs.Shown.size(), ShownBefore + 1);
        QVERIFY(Dialogs.Shown.back().Text.find("missing/chart.png") != std::string::npos);
        QVERIFY(Files.Asked == std::vector<TFileDialogSpec>(3, {"Save Chart As", "png", ChartFileFilter, "Value.png"}));

        // The statistics window's chart: every stage's mean, minimum and maximum of the metric.
        TStatsWindow Stats(Dialogs, Files);
        Stats.FillStats(Model);
        const TStageBars& Bars = Stats.Chart().Bars()[MetricInvLevel];
        QCOMPARE(Bars.Mean.size(), static_cast<std::size_t>(Model.NumStages()));
        for (int K = 1; K <= Model.NumStages(); ++K) {
            const TMinMaxAvg& Acc = *Model.Stage(K).Stats().Get(MetricInvLevel);
            const std::size_t At = static_cast<std::size_t>(K - 1);
            QVERIFY(Bars.Mean[At] == Acc.Avg() && Bars.Min[At] == Acc.Min() && Bars.Max[At] == Acc.Max());
        }
    }

    void historyChartMarksTheReplayPeriodAsTheSliderMoves()
    {
        TMainWindowHarness H;
        H.Files.Answers = {ORVANTIS_EXAMPLES_DIR "/distribution.txt"};
        H.Click("LoadButton");
        H.Click("RunButton");
        auto& Slider = H.Child<QSlider>("PeriodSlider");
        const TChartView& Chart = H.History.Chart().Chart();
        for (const int Period : {Slider.maximum(), 7}) {
            Slider.setValue(Period);
            QCOMPARE(Chart.MarkerX(), Period);
        }
        H.Click("ResetButton");
        QVERIFY(std::isnan(Chart.MarkerX()));
        H.Click("RunButton");  // the run shows its last period
        QCOMPARE(Chart.MarkerX(), Slider.maximum());
    }

    // At the window's default size and at a cramped one, every stage is named in full under its
    // bar, and nothing on the chart is shortened to "...".
    void statsChartLabelsAreNeverElided()
    {
        TScriptedFileDialogs Files;
        for (const QSize Size : {QSize(837, 734), QSize(620, 480), QSize(360, 420)}) {
            TStatsWindow Window(Dialogs, Files);
            Window.FillStats(Model);
            Window.resize(Size);
            Window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&Window));
            QCoreApplication::processEvents();
            const QStringList Texts = Window.Chart().Chart().DrawnTexts();
            for (int K = 1; K <= Model.NumStages(); ++K) {
                QVERIFY2(Texts.contains(QString("Stage %1").arg(K)), qPrintable(Texts.join('|')));
            }
            for (const QString& Text : Texts) {
                QVERIFY2(!Text.contains("...") && !Text.contains(QChar(0x2026)), qPrintable(Text));
            }
        }
    }

    // The metrics on offer are the report's blocks, in its order and under its headings, and the
    // chart's axis says which one it shows.
    void statsChartNamesItsMetricsAsTheReportDoes()
    {
        TScriptedFileDialogs Files;
        TStatsWindow Window(Dialogs, Files);
        Window.FillStats(Model);
        Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Window));
        const std::vector<std::string>& Lines = Window.ReportView().Lines();
        QStringList Headings;
        for (std::size_t I = 0; I + 1 < Lines.size(); ++I) {
            if (Lines[I + 1].starts_with("  Stage 1 ")) {
                Headings << QString::fromStdString(Lines[I]);
            }
        }
        auto* List = Window.findChild<QComboBox*>("ChartMetricList");
        QStringList Offered;
        for (int I = 0; I < List->count(); ++I) {
            Offered << List->itemText(I);
            List->setCurrentIndex(I);
            QCoreApplication::processEvents();
            QVERIFY2(Window.Chart().Chart().DrawnTexts().contains(Headings.value(I)), qPrintable(Window.Chart().Chart().DrawnTexts().join('|')));
        }
        QCOMPARE(Offered, Headings);
    }

    // With the range shown the y axis reaches the largest maximum; hidden, it fits the means.
    void hidingTheRangeFitsTheAxisToTheMeans()
    {
        TScriptedFileDialogs Files;
        TStatsWindow Window(Dialogs, Files);
        Window.FillStats(Model);
        Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Window));
        auto* List = Window.findChild<QComboBox*>("ChartMetricList");
        List->setCurrentIndex(List->findData(static_cast<int>(MetricOrderQty)));
        const TStageBars& Bars = Window.Chart().Bars()[MetricOrderQty];
        const double MeanTop = *std::max_element(Bars.Mean.begin(), Bars.Mean.end());
        const double MaxTop = *std::max_element(Bars.Max.begin(), Bars.Max.end());
        QVERIFY(MaxTop > 2 * MeanTop);
        auto* Check = Window.findChild<QCheckBox*>("ShowRangeCheck");
        QVERIFY(Check->isChecked());
        const TChartView& Chart = Window.Chart().Chart();
        for (const bool Shown : {true, false, true}) {
            Check->setChecked(Shown);
            QCoreApplication::processEvents();
            const double Top = Shown ? MaxTop : MeanTop;
            QVERIFY(Chart.YTo() >= Top && Chart.YTo() < 1.5 * Top);
            QCOMPARE(Chart.DrawnTexts().contains("Min to Max"), Shown);
        }
    }

    // After a reset both charts say "no run" in place of an empty axis.
    void chartsSayNoRunAfterAReset()
    {
        TMainWindowHarness H;
        H.Files.Answers = {ORVANTIS_EXAMPLES_DIR "/distribution.txt"};
        H.Click("LoadButton");
        H.Click("RunButton");
        H.Click("StatsButton");
        H.Click("HistoryButton");
        H.History.findChild<QTabWidget*>("Tabs")->setCurrentIndex(2);
        const TChartView* Charts[] = {&H.Stats.Chart().Chart(), &H.History.Chart().Chart()};
        QCoreApplication::processEvents();
        for (const TChartView* Chart : Charts) {
            QVERIFY(Chart->DrawnTexts().size() > 5);
        }
        H.Click("ResetButton");
        QCoreApplication::processEvents();
        for (const TChartView* Chart : Charts) {
            QCOMPARE(Chart->DrawnTexts(), QStringList{"no run"});
        }
    }

    // Save Chart starts at the model's folder and name, then the chart's, as a PNG.
    void saveChartSuggestsTheModelAndTheChartsName()
    {
        TMainWindowHarness H;
        const std::string Model = ORVANTIS_EXAMPLES_DIR "/distribution.txt";
        H.Files.Answers = {Model};
        H.Click("LoadButton");
        H.Click("RunButton");
        H.Click("StatsButton");
        H.Click("HistoryButton");
        H.History.findChild<QTabWidget*>("Tabs")->setCurrentIndex(2);
        const std::string Base = ORVANTIS_EXAMPLES_DIR "/distribution - ";
        const struct {
            QWidget* Window;
            std::string Expected;
        } Cases[] = {
            {&H.Stats, Base + StatsBlocks[0].Title + ".png"},
            {&H.History, Base + "Inv Level.png"},
        };
        for (const auto& C : Cases) {
            H.Files.Answers = {std::nullopt};
            QTest::mouseClick(C.Window->findChild<QPushButton*>("SaveChartButton"), Qt::LeftButton);
            QCOMPARE(QString::fromStdString(H.Files.Asked.back().StartFile), QString::fromStdString(C.Expected));
        }
    }

    void escapeHidesASecondaryWindow()
    {
        TScriptedFileDialogs Files;
        TStatsWindow Window(Dialogs, Files);
        QCOMPARE(Window.windowTitle(), QString("Stats Window"));
        QCOMPARE(Window.size(), QSize(837, 734));
        Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Window));
        QTest::keyClick(&Window, Qt::Key_Escape);
        QVERIFY(!Window.isVisible());
    }

    // With the main window at the screen's top-left, every secondary window opens on the screen and
    // clear of the main window's command buttons; in the next session, it opens where it was left.
    void secondaryWindowsOpenBesideTheMainWindowAndWhereTheyWereLeft()
    {
        QSettings(QSettings::UserScope, "orvantis", QCoreApplication::applicationName()).remove("Windows");
        std::vector<QRect> Left;
        for (const bool Again : {false, true}) {
            TMainWindowHarness H;
            H.Files.Answers = {ORVANTIS_EXAMPLES_DIR "/distribution.txt"};
            H.Click("LoadButton");
            H.Click("RunButton");
            H.Window.move(0, 0);
            const QRect Screen = H.Window.screen()->availableGeometry();
            QCOMPARE(Screen, QRect(0, 0, 1600, 1000));
            QWidget& Commands = H.Child("CommandPanel");
            const QRect CommandsOnScreen(Commands.mapToGlobal(QPoint(0, 0)), Commands.size());
            H.Click("StatsButton");
            H.Click("HistoryButton");
            H.Click("BatchRunsButton");
            QTest::mouseClick(H.Windows.BatchRuns.findChild<QPushButton*>("OptimiseButton"), Qt::LeftButton);
            QWidget* const Windows[] = {&H.Stats, &H.History, &H.Windows.BatchRuns, &H.Windows.Optimise};
            for (std::size_t I = 0; I < std::size(Windows); ++I) {
                const QRect Frame = Windows[I]->frameGeometry();
                QVERIFY2(Windows[I]->isVisible() && Screen.contains(Frame), qPrintable(Windows[I]->objectName()));
                if (Again) {
                    QCOMPARE(Windows[I]->geometry(), Left[I]);
                    continue;
                }
                QVERIFY2(!Frame.intersects(CommandsOnScreen), qPrintable(Windows[I]->objectName()));
                // Moved by the user, still on the screen.
                Windows[I]->move(Frame.topLeft() + QPoint(Frame.left() > 20 ? -20 : 20, Frame.top() > 20 ? -20 : 20));
                Left.push_back(Windows[I]->geometry());
            }
            H.Window.close();
        }
    }

    void theHorizontalScrollBarComesOnlyForALineWiderThanTheView()
    {
        TTextLinesView View;
        View.resize(300, 200);
        View.show();
        QVERIFY(QTest::qWaitForWindowExposed(&View));
        for (const int Width : {10, 200, 10}) {
            View.SetLines({"first", std::string(static_cast<std::size_t>(Width), 'x')});
            QCoreApplication::processEvents();
            QCOMPARE(View.horizontalScrollBar()->isVisible(), Width == 200);
        }
    }
};

ORVANTIS_GUI_TEST_MAIN(ReportWindowsTest)
#include "gui_report_windows_test.moc"
