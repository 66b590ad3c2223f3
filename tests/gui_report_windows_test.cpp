// The stats and history windows (their texts are checked through the main window's commands): the
// History text saves with CR line ends through the file chooser; assistive technology reads a
// report; Escape hides a window.
#include <filesystem>
#include <fstream>
#include <iterator>

#include <QAccessible>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "reports/CsvTables.h"
#include "support/GuiTest.h"
#include "support/ScriptedDialogs.h"
#include "support/ScriptedFileDialogs.h"
#include "ui/HistoryForm.h"
#include "ui/StatsForm.h"
#include "ui/TextLinesView.h"

namespace {

std::string FileBytes(const std::string& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

}  // namespace

class ReportWindowsTest : public QObject {
    Q_OBJECT
    TScriptedDialogs Dialogs;
    TSimulation Model{Dialogs};

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
