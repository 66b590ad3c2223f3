// The stats and history windows (their texts are checked through the main window's commands): the
// History text saves with CR line ends through the file chooser; Escape hides a window.
#include <filesystem>
#include <fstream>
#include <iterator>

#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
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

    void saveTextWritesTheHistoryWithCarriageReturnsWhicheverTabShows()
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
        Window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
        auto* Save = Window.findChild<QPushButton*>("BtnSaveText");
        QCOMPARE(Save->text(), QString("&Save Text"));
        const std::size_t ShownBefore = Dialogs.Shown.size();

        QTest::mouseClick(Save, Qt::LeftButton);  // cancelled
        QVERIFY(!std::filesystem::exists(Path));
        QTest::mouseClick(Save, Qt::LeftButton);
        std::string Expected;
        for (const std::string& Line : Window.HistoryText().Lines()) {
            Expected += Line + '\r';
        }
        QVERIFY(FileBytes(Path) == Expected);
        QTest::mouseClick(Save, Qt::LeftButton);  // a folder that does not exist
        QCOMPARE(Dialogs.Shown.size(), ShownBefore + 1);
        QVERIFY(Dialogs.Shown.back().Kind == TScriptedDialogs::TKind::Error);
        QVERIFY(Dialogs.Shown.back().Text.find("missing/history.txt") != std::string::npos);

        const TFileDialogSpec Spec{"Save History As", "txt", "Text files (*.txt)|*.txt|All files (*.*)|*.*"};
        QVERIFY(Files.Asked == std::vector<TFileDialogSpec>(3, Spec));
    }

    void escapeHidesASecondaryWindow()
    {
        TStatsWindow Window;
        QCOMPARE(Window.windowTitle(), QString("Stats Window"));
        QCOMPARE(Window.size(), QSize(837, 734));
        Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Window));
        QTest::keyClick(&Window, Qt::Key_Escape);
        QVERIFY(!Window.isVisible());
    }
};

ORVANTIS_GUI_TEST_MAIN(ReportWindowsTest)
#include "gui_report_windows_test.moc"
